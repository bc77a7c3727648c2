// The shipped pictures: every one the game loads decodes, and the few texels the drawing
// relies on (tint corners, glyph margins) are as the screens expect.
#include <gtest/gtest.h>

#include <string>

#include "render/bmp.h"

namespace {

const std::string data =
    std::string(__FILE__).substr(0, std::string(__FILE__).rfind("/tests/")) + "/Data/";

// Texel (x, y) counted from the bottom-left, as 0xRRGGBB.
std::uint32_t texel(const AUX_RGBImageRec* im, int x, int y) {
  const unsigned char* p = im->data + 3 * (y * im->sizeX + x);
  return p[0] << 16 | p[1] << 8 | p[2];
}

std::vector<std::string> all_files() {
  std::vector<std::string> f;
  for (int i = 1; i <= 11; i++) f.push_back("texture/" + std::to_string(i) + ".bmp");
  for (int c = 1; c <= 6; c++)
    for (const char* side : {"", "l", "p", "z", "h"})
      f.push_back("avatar/0" + std::to_string(c) + side + ".bmp");
  for (const char* n :
       {"system/Font.bmp", "system/001.bmp", "world/grass.bmp", "world/way.bmp", "world/waal1.bmp",
        "texture/n_doprava.bmp", "texture/n_dolava.bmp", "texture/n_dole.bmp", "texture/n_hore.bmp",
        "texture/n_hrot.bmp", "texture/n_zadne.bmp"})
    f.push_back(n);
  return f;
}

TEST(Data, EveryPictureDecodesAtAPowerOfTwoSize) {
  std::vector<std::string> files = all_files();
  ASSERT_EQ(files.size(), 52u);
  for (const std::string& name : files) {
    AUX_RGBImageRec* im = bmp_read_file((data + name).c_str());
    ASSERT_NE(im, nullptr) << name;
    EXPECT_EQ(im->sizeX & (im->sizeX - 1), 0) << name;
    EXPECT_EQ(im->sizeY & (im->sizeY - 1), 0) << name;
    bmp_free(im);
  }
}

TEST(Data, TintingPicturesHaveOneLightColourInTheirCorners) {
  for (std::string name : {"texture/n_hore.bmp", "avatar/01.bmp", "avatar/02.bmp", "avatar/03.bmp",
                           "avatar/04.bmp", "avatar/05.bmp", "avatar/06.bmp"}) {
    AUX_RGBImageRec* im = bmp_read_file((data + name).c_str());
    ASSERT_NE(im, nullptr) << name;
    const int w = im->sizeX, h = im->sizeY;
    const std::uint32_t c = texel(im, 0, 0);
    for (int x : {0, 1, w - 2, w - 1})
      for (int y : {0, 1, h - 2, h - 1})
        EXPECT_EQ(texel(im, x, y), c) << name << " " << x << "," << y;
    EXPECT_GE((c >> 16) + (c >> 8 & 255) + (c & 255), 3u * 150) << name;
    bmp_free(im);
  }
}

TEST(Data, GlyphSheetIsWhiteOnBlackWithABlackMarginInEveryCell) {
  AUX_RGBImageRec* im = bmp_read_file((data + "system/Font.bmp").c_str());
  ASSERT_NE(im, nullptr);
  ASSERT_EQ(im->sizeX, 256);
  ASSERT_EQ(im->sizeY, 256);
  int lit[256] = {}, low[256] = {}, high[256] = {};
  for (int y = 0; y < 256; y++) {
    for (int x = 0; x < 256; x++) {
      std::uint32_t c = texel(im, x, y);
      ASSERT_TRUE(c == 0 || c == 0xffffff) << x << "," << y;
      int cx = x % 16, cy = y % 16, cell = x / 16 + (15 - y / 16) * 16;  // rows from the top
      if (c) {
        EXPECT_TRUE(cx > 0 && cx < 15 && cy > 0 && cy < 15) << "cell " << cell;
        lit[cell]++;
        (cy < 8 ? low : high)[cell]++;
      }
    }
  }
  EXPECT_EQ(lit[0], 0);  // the space
  for (int k = 1; k < 96; k++) EXPECT_GT(lit[k], 0) << "cell " << k;
  EXPECT_EQ(high['_' - 32], 0);  // glyphs stand upright: underscore low, caret high
  EXPECT_EQ(low['^' - 32], 0);
  for (int k = 96; k < 256; k++) EXPECT_EQ(lit[k], 0) << "cell " << k;
  bmp_free(im);
}

}  // namespace
