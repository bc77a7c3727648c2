// Paints the desktop icons from the menu flag: make_icons Data/system/001.bmp OUT_DIR
// writes OUT_DIR/48/korvalen.png, 64, 128 and 256. The same flag gives the same bytes,
// and the game paints its window icon with the same function.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/bmp.h"
#include "image/icon.h"

static std::uint32_t crc_table[256];

static void crc_init() {
  for (std::uint32_t n = 0; n < 256; n++) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; k++) c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
    crc_table[n] = c;
  }
}

static void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back((std::uint8_t)(v >> shift));
}

// Appends one PNG chunk: length, type, data, CRC of type and data.
static void chunk(std::vector<std::uint8_t>& out, const char* type,
                  const std::vector<std::uint8_t>& data) {
  put32(out, (std::uint32_t)data.size());
  std::size_t from = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  std::uint32_t c = 0xffffffffu;
  for (std::size_t i = from; i < out.size(); i++) c = crc_table[(c ^ out[i]) & 0xff] ^ (c >> 8);
  put32(out, c ^ 0xffffffffu);
}

// A zlib stream of stored (uncompressed) blocks: no compressor needed, and still a valid PNG.
static std::vector<std::uint8_t> zlib_stored(const std::vector<std::uint8_t>& raw) {
  std::vector<std::uint8_t> z = {0x78, 0x01};
  std::size_t pos = 0;
  do {
    std::size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
    z.push_back(pos + n == raw.size() ? 1 : 0);
    z.push_back(n & 0xff);
    z.push_back(n >> 8);
    z.push_back(~n & 0xff);
    z.push_back((~n >> 8) & 0xff);
    z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
    pos += n;
  } while (pos < raw.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  put32(z, b << 16 | a);
  return z;
}

// Writes a size x size RGBA picture as an 8-bit RGBA PNG.
static bool write_png(const std::string& path, int size, const std::vector<std::uint8_t>& rgba) {
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<std::uint8_t> header;
  put32(header, size);
  put32(header, size);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  chunk(png, "IHDR", header);
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < size; y++) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), rgba.begin() + y * size * 4, rgba.begin() + (y + 1) * size * 4);
  }
  chunk(png, "IDAT", zlib_stored(raw));
  chunk(png, "IEND", {});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icons FLAG.bmp OUT_DIR\n");
    return 2;
  }
  AUX_RGBImageRec* flag = bmp_read_file(argv[1]);
  if (!flag) return 1;
  crc_init();
  std::string out = argv[2];
  mkdir(out.c_str(), 0755);
  for (int size : {48, 64, 128, 256}) {
    std::vector<std::uint8_t> rgba(size * size * 4);
    icon_from_flag(*flag, size, rgba.data());
    std::string dir = out + "/" + std::to_string(size);
    mkdir(dir.c_str(), 0755);
    if (!write_png(dir + "/korvalen.png", size, rgba)) {
      std::fprintf(stderr, "make_icons: cannot write %s/korvalen.png\n", dir.c_str());
      return 1;
    }
  }
  bmp_free(flag);
  return 0;
}
