// The game's BMP reader: every image of the Data folder goes through here on its way to a
// texture. Pure byte work, so a broken or hostile file can only ever cost a message box.
#include "image/bmp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "state/files.h"

// Writes a reader message to standard error until the platform installs its message box.
static void bmp_report_stderr(const char* text) {
  std::size_t n = std::strlen(text);
  std::fprintf(stderr, "Error: %s%s", text, n && text[n - 1] == '\n' ? "" : "\n");
}

BmpReport bmp_report = bmp_report_stderr;
const char* bmp_failure = "";
int bmp_gl_max_side = 0;

static const char* const BMP_CONVERSION = "Image file conversion error.";
static const char* const BMP_UNKNOWN = "Unknown DIB file format.";
static const char* const BMP_MEMORY = "Out of memory.";

// Reports one failure and gives the null image every caller expects.
static AUX_RGBImageRec* bmp_fail(const char* text) {
  bmp_failure = text == BMP_MEMORY ? "out of memory" : "bad format";
  bmp_report(text);
  return nullptr;
}

// Reports a file that cannot be opened or holds nothing, for the given cause.
static AUX_RGBImageRec* bmp_fail_open(const char* name, const char* cause = "bad format") {
  char text[4200];
  std::snprintf(text, sizeof(text), "Failed to open DIB file %.4096s.\n", name ? name : "");
  bmp_fail(text);
  bmp_failure = cause;
  return nullptr;
}

// True when the game can make a texture of an image this size.
static bool side_fits(std::int64_t side) {
  if (side > BMP_MAX_SIDE) return false;
  return bmp_gl_max_side <= 0 || side <= bmp_gl_max_side;
}

static std::uint32_t rd16(const std::uint8_t* p) {
  return p[0] | p[1] << 8;
}
static std::uint32_t rd32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | (std::uint32_t)p[3] << 24;
}

// Decodes one file image. Every offset is checked against size before it is read, in 64-bit
// arithmetic that cannot wrap for any 32-bit header value.
AUX_RGBImageRec* bmp_decode(const std::uint8_t* bytes, std::size_t size, const char* name) {
  if (!bytes || size == 0) return bmp_fail_open(name);
  if (size > (std::uint64_t)BMP_MAX_FILE) return bmp_fail(BMP_CONVERSION);
  const std::uint64_t fsize = size;
  const bool file_header = size >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
  const std::uint64_t info = file_header ? 14 : 0;
  if (fsize < info + 4) return bmp_fail(BMP_CONVERSION);
  const std::uint32_t hsize = rd32(bytes + info);
  if (hsize != 40 && hsize != 12) return bmp_fail(BMP_UNKNOWN);
  if (fsize < info + hsize) return bmp_fail(BMP_CONVERSION);

  const std::uint8_t* h = bytes + info;
  std::int64_t width, height;
  std::uint32_t bits, used = 0, entry;
  if (hsize == 40) {
    width = (std::int32_t)rd32(h + 4);
    height = (std::int32_t)rd32(h + 8);
    bits = rd16(h + 14);
    if (rd32(h + 16) != 0) return bmp_fail(BMP_CONVERSION);  // compressed
    used = rd32(h + 32);
    entry = 4;
  } else {
    width = rd16(h + 4);
    height = rd16(h + 6);
    bits = rd16(h + 10);
    entry = 3;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return bmp_fail(BMP_CONVERSION);
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width <= 0 || height <= 0 || height > 0x7fffffff) return bmp_fail(BMP_CONVERSION);
  if (!side_fits(width) || !side_fits(height)) return bmp_fail(BMP_CONVERSION);

  const std::uint64_t colours = used ? used : bits <= 8 ? 1u << bits : 0;
  const std::uint64_t table = info + hsize;
  const std::uint64_t table_end = table + colours * entry;
  if (bits <= 8 && table_end > fsize) return bmp_fail(BMP_CONVERSION);
  const std::uint64_t pixels = file_header ? rd32(bytes + 10) : table_end;
  const std::uint64_t stride = ((std::uint64_t)width * bits + 31) / 32 * 4;
  if (pixels > fsize || (std::uint64_t)height > (fsize - pixels) / stride)
    return bmp_fail(BMP_CONVERSION);
  // The file holds every row, so width * height is far below 2^62 and the product is exact.
  const std::uint64_t out_size = (std::uint64_t)width * height * 3;
  if (out_size > SIZE_MAX) return bmp_fail(BMP_CONVERSION);

  AUX_RGBImageRec* image = (AUX_RGBImageRec*)std::malloc(sizeof(AUX_RGBImageRec));
  if (!image) return bmp_fail(BMP_MEMORY);
  image->sizeX = (int)width;
  image->sizeY = (int)height;
  image->data = (unsigned char*)std::malloc((std::size_t)out_size);
  if (!image->data) {
    std::free(image);
    return bmp_fail(BMP_MEMORY);
  }

  unsigned char* out = image->data;
  for (std::int64_t y = 0; y < height; y++) {
    const std::uint8_t* row = bytes + pixels + stride * (top_down ? height - 1 - y : y);
    for (std::int64_t x = 0; x < width; x++, out += 3) {
      const std::uint8_t* bgr;
      if (bits >= 24) {
        bgr = row + x * (bits / 8);
      } else {
        std::uint32_t index;
        if (bits == 8)
          index = row[x];
        else if (bits == 4)
          index = row[x >> 1] >> (x & 1 ? 0 : 4) & 15;
        else
          index = row[x >> 3] >> (7 - (x & 7)) & 1;
        if (index >= colours) {
          bmp_free(image);
          return bmp_fail(BMP_CONVERSION);
        }
        bgr = bytes + table + index * entry;
      }
      out[0] = bgr[2];
      out[1] = bgr[1];
      out[2] = bgr[0];
    }
  }
  return image;
}

// Reads a whole image file into memory and decodes it. A file over the size cap is
// refused unread; one that grows while read is cut at one byte past the cap, which the
// decoder refuses in turn.
AUX_RGBImageRec* bmp_read_file(const char* name) {
  long long length = 0;
  std::FILE* f = open_regular_file(name, "rb", &length);
  if (!f) return bmp_fail_open(name, why_unopened(name));
  if (length > BMP_MAX_FILE) {
    std::fclose(f);
    return bmp_fail(BMP_CONVERSION);
  }
  const std::size_t cap = (std::size_t)BMP_MAX_FILE + 1;
  std::size_t want = length > 0 ? (std::size_t)length + 1 : 65536;
  std::uint8_t* buf = (std::uint8_t*)std::malloc(want);
  if (!buf) {
    std::fclose(f);
    return bmp_fail(BMP_MEMORY);
  }
  std::size_t size = 0;
  for (;;) {
    if (size == want && want < cap) {
      std::size_t more = want * 2 < cap ? want * 2 : cap;
      std::uint8_t* grown = (std::uint8_t*)std::realloc(buf, more);
      if (!grown) {
        std::free(buf);
        std::fclose(f);
        return bmp_fail(BMP_MEMORY);
      }
      buf = grown;
      want = more;
    }
    std::size_t got = std::fread(buf + size, 1, want - size, f);
    size += got;
    if (got == 0 || size == cap) break;
  }
  const bool unreadable = std::ferror(f);
  std::fclose(f);
  AUX_RGBImageRec* image = unreadable  ? bmp_fail_open(name, "unreadable")
                           : size == 0 ? bmp_fail_open(name)
                                       : bmp_decode(buf, size, name);
  std::free(buf);
  return image;
}

// Releases a decoded image once its texture is made.
void bmp_free(AUX_RGBImageRec* image) {
  if (!image) return;
  std::free(image->data);
  std::free(image);
}
