// The image reader on every form the game's Data folder may hold, and on broken files.
#include "image/bmp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::uint8_t> Bytes;
typedef std::vector<std::uint32_t> Pixels;  // 0xRRGGBB

// One image file to write: header kind, size, depth, palette and stored rows (unpadded).
struct Form {
  std::uint32_t hsize = 40;
  bool bm = true;
  std::int32_t w = 1, h = 1;
  int bits = 24;
  std::uint32_t compression = 0, used = 0;
  std::vector<std::uint32_t> palette;  // 0xRRGGBB
  std::vector<Bytes> rows;             // in file order
  std::uint32_t gap = 0;               // bytes between table and pixels (with "BM" only)
};

void put(Bytes& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; i++) b.push_back(v >> 8 * i & 255);
}

// Writes a BMP the way a paint program would.
Bytes write_bmp(const Form& f) {
  const std::uint32_t entry = f.hsize == 12 ? 3 : 4;
  const std::uint32_t offset = (f.bm ? 14 : 0) + f.hsize + f.palette.size() * entry + f.gap;
  const std::size_t stride = ((std::size_t)f.w * f.bits + 31) / 32 * 4;
  Bytes b;
  if (f.bm) {
    b = {'B', 'M'};
    put(b, offset + stride * f.rows.size(), 4);
    put(b, 0, 4);
    put(b, offset, 4);
  }
  put(b, f.hsize, 4);
  if (f.hsize == 12) {
    put(b, f.w, 2), put(b, f.h, 2), put(b, 1, 2), put(b, f.bits, 2);
  } else {
    put(b, f.w, 4), put(b, f.h, 4), put(b, 1, 2), put(b, f.bits, 2), put(b, f.compression, 4);
    for (int i = 0; i < 3; i++) put(b, 0, 4);
    put(b, f.used, 4), put(b, 0, 4);
    while (b.size() < (f.bm ? 14u : 0u) + f.hsize) b.push_back(0);
  }
  for (std::uint32_t c : f.palette) put(b, c, entry);
  b.resize(offset, 0xEE);
  for (Bytes row : f.rows) {
    row.resize(stride, 0);
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// Stored bytes of 24-bit pixels given as 0xRRGGBB (little-endian: blue, green, red).
Bytes bgr(const Pixels& rgb) {
  Bytes b;
  for (std::uint32_t c : rgb) put(b, c, 3);
  return b;
}

std::vector<std::string> reports;

void listen() {
  reports.clear();
  bmp_report = [](const char* text) { reports.push_back(text); };
}

AUX_RGBImageRec* decode(const Bytes& file) {
  listen();
  return bmp_decode(file.data(), file.size(), "Data/test.bmp");
}

// Pixels of an image as 0xRRGGBB, bottom row first (none for no image); the image is freed.
Pixels rgb(AUX_RGBImageRec* image) {
  Pixels v;
  if (!image) return v;
  for (int i = 0; i < image->sizeX * image->sizeY; i++)
    v.push_back(image->data[3 * i] << 16 | image->data[3 * i + 1] << 8 | image->data[3 * i + 2]);
  bmp_free(image);
  return v;
}

// A file the reader must read to the form's sides and these pixels.
void reads(const Form& f, const Pixels& want) {
  AUX_RGBImageRec* image = decode(write_bmp(f));
  ASSERT_NE(image, nullptr) << f.hsize << " " << f.bits << " " << f.w;
  EXPECT_EQ(image->sizeX, f.w);
  EXPECT_EQ(image->sizeY, f.h < 0 ? -f.h : f.h);
  EXPECT_EQ(rgb(image), want) << f.hsize << " " << f.bits << " " << f.w;
}

// A file the reader must turn down with exactly one message.
void rejects(const Bytes& file) {
  EXPECT_EQ(decode(file), nullptr);
  EXPECT_EQ(reports, std::vector<std::string>{"Image file conversion error."});
}

// Every depth and header kind, both row orders, padding dropped, BGR swapped. Without "BM" the
// pixels follow the colour table, so a wrong table length shifts them: none at 24 bits, the
// colours used (the core header's 256 entries of 3 bytes: the broken-file test's first read).
TEST(Bmp, EveryAcceptedFormReadsAsRgbBottomRowFirst) {
  Form f;
  f.w = 3, f.h = 2;
  f.rows = {bgr({0xff0000, 0x00ff00, 0x0000ff}), bgr({0x123456, 0x000000, 0xfedcba})};
  for (bool bm : {true, false}) {
    f.hsize = bm ? 40 : 12, f.bm = bm;
    reads(f, {0xff0000, 0x00ff00, 0x0000ff, 0x123456, 0, 0xfedcba});
  }
  f = Form();
  f.h = -3;  // top-down: the first stored row is the top one
  f.rows = {bgr({0xff0000}), bgr({0x00ff00}), bgr({0x0000ff})};
  reads(f, {0x0000ff, 0x00ff00, 0xff0000});
  f = Form();
  f.w = 2, f.bits = 32;  // the fourth byte is skipped
  f.rows = {{0x01, 0x02, 0x03, 0xff, 0x04, 0x05, 0x06, 0x80}};
  reads(f, {0x030201, 0x060504});
  f.bits = 1, f.w = 10, f.palette = {0x101010, 0xf0e0d0};
  f.rows = {{0xa5, 0x40}};  // 1010 0101 01
  const std::uint32_t o = 0x101010, l = 0xf0e0d0;
  reads(f, {l, o, l, o, o, l, o, l, o, l});
  f.bits = 4, f.w = 3, f.palette.assign(16, 0);
  for (int i = 0; i < 16; i++) f.palette[i] = 0x010203 * i;
  f.rows = {{0x1f, 0x20}};
  reads(f, {0x010203, 0x0f1e2d, 0x020406});
  f = Form();
  f.bm = false, f.bits = 8, f.w = 2, f.used = 3, f.palette = {0xaa0000, 0x00bb00, 0x0000cc};
  f.rows = {{0x02, 0x00}};
  reads(f, {0x0000cc, 0xaa0000});
  f.bm = true, f.gap = 9;  // with "BM" the stored offset wins
  reads(f, {0x0000cc, 0xaa0000});
}

// Refused: a file over 64 MiB, unread (pipes, devices, folders: the fault tests), and a side
// over 8192 pixels or the GL's largest texture, a 1-bit one before its pixels are made.
TEST(Bmp, FilesOver64MiBAndSidesPastTheCapAreRefused) {
  const std::string path = testing::TempDir() + "korvalen_huge.bmp";
  Form f;
  f.rows = {bgr({0})};
  const Bytes file = write_bmp(f);  // a good 1 x 1 image, then zeros to one byte past 64 MiB
  std::ofstream(path).write(reinterpret_cast<const char*>(file.data()), file.size());
  ASSERT_EQ(truncate(path.c_str(), BMP_MAX_FILE + 1), 0);
  listen();
  EXPECT_EQ(bmp_read_file(path.c_str()), nullptr);
  EXPECT_EQ(reports, std::vector<std::string>{"Image file conversion error."});
  std::remove(path.c_str());
  f = Form();
  f.w = 8193, f.bits = 1, f.palette = {0, 0xffffff}, f.rows = {Bytes(1028, 0xff)};
  rejects(write_bmp(f));
  f.w = 8192;
  EXPECT_EQ(rgb(decode(write_bmp(f))), Pixels(8192, 0xffffff));
  bmp_gl_max_side = 4096;
  rejects(write_bmp(f));
  bmp_gl_max_side = 0;
  f.w = 1, f.h = 8193, f.rows.assign(8193, Bytes(1, 0));
  rejects(write_bmp(f));
}

// Sides that are not powers of two are blended up to the next ones.
TEST(Bmp, MipmapsGetPowerOfTwoSides) {
  Form f;
  f.w = 3, f.rows = {bgr({0, 0x808080, 0xffffff})};
  // New pixel centres fall at -0.125, 0.625, 1.375 and 2.125 old pixels, the ends held to
  // the edge: 0, 0.625 * 128 = 80, 128 + 0.375 * 127 = 175.6 and 255.
  EXPECT_EQ(rgb(bmp_to_pow2(decode(write_bmp(f)))), (Pixels{0, 0x505050, 0xb0b0b0, 0xffffff}));
}

// Every cut-short file, sizes and offsets past the file or the int range, depths and
// compression the game does not read, and palette indices past the table.
TEST(Bmp, BrokenFilesAreRejected) {
  Form core;  // 256 entries of 3 bytes, the pixels straight after them
  core.hsize = 12, core.bm = false, core.bits = 8, core.w = 5, core.h = 2;
  core.palette.assign(256, 0x336699), core.rows = {Bytes(5, 1), Bytes(5, 2)};
  reads(core, Pixels(10, 0x336699));
  Bytes file = write_bmp(core);
  for (std::size_t n = 1; n < file.size(); n++) rejects(Bytes(file.begin(), file.begin() + n));
  Form f;
  f.w = 2, f.h = 2, f.rows = {bgr({1, 2}), bgr({3, 4})};
  const Bytes good = write_bmp(f);
  file = good;
  file[10] = 0xf0, file[11] = file[12] = file[13] = 0xff;  // pixels far past the end
  rejects(file);
  // No width, a negative one (unlike the height), no height, INT32_MIN (no positive of its own).
  const std::int32_t sides[][2] = {{0, 2}, {-2, 2}, {2, 0}, {2, INT32_MIN}};
  for (const auto& s : sides) {
    file = good;
    for (int i = 0; i < 4; i++) file[18 + i] = s[0] >> 8 * i, file[22 + i] = s[1] >> 8 * i;
    rejects(file);
  }
  f.h = 1, f.rows = {Bytes(8, 0)};
  for (int bits : {0, 2, 16, 48}) {
    f.bits = bits;
    rejects(write_bmp(f));
  }
  f.bits = 8, f.compression = 1, f.palette.assign(256, 0);
  rejects(write_bmp(f));
  f.compression = 0, f.used = 2, f.palette = {0, 0xffffff};
  f.rows = {{1, 2}};  // the second pixel is index 2 of a 2-entry table
  rejects(write_bmp(f));
}

}  // namespace
