// The bitmap font in a real GL context: where glyphs land, which cell each
// byte draws, numbers in full, and the depth test a print leaves on.
#include <GL/gl.h>

#include <climits>
#include <vector>

#include "render/render.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"

// Colour of glyph cell k on the test sheet: every cell its own colour.
static Rgb cell_colour(int k) {
  return {k, 255 - k, 200};
}

// Every test draws on black with a sheet of its own in the font's slot: solid
// cells, each in its own colour, inside a 1-texel black margin; nearest
// filtering and no light, so a glyph shows as a plain square of known colour.
class FontTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    std::vector<unsigned char> sheet(256 * 256 * 3, 0);
    for (int y = 0; y < 256; y++)
      for (int x = 0; x < 256; x++) {
        if (x % 16 == 0 || x % 16 == 15 || y % 16 == 0 || y % 16 == 15) continue;
        int k = (15 - y / 16) * 16 + x / 16;  // rows count from the top of the picture
        Rgb c = cell_colour(k);
        unsigned char* p = &sheet[(y * 256 + x) * 3];
        p[0] = c.r, p[1] = c.g, p[2] = c.b;
      }
    game_sheet = texture[35];
    glGenTextures(1, &test_sheet);
    glBindTexture(GL_TEXTURE_2D, test_sheet);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, sheet.data());
    texture[35] = test_sheet;
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    white();
    gl_clear();
  }
  void TearDown() override {
    texture[35] = game_sheet;
    glDeleteTextures(1, &test_sheet);
    glEnable(GL_LIGHTING);
    glEnable(GL_BLEND);
    white();
  }
  GLuint game_sheet = 0, test_sheet = 0;
};

// Every pixel of the rectangle has the colour (within rounding).
static void expect_filled(const GlFrame& f, const PixelRect& r, Rgb c) {
  int area = (r.x1 - r.x0) * (r.y1 - r.y0);
  EXPECT_GT(area, 0);
  EXPECT_EQ(f.count(r, c, 3), area) << "colour " << c.r << "," << c.g << "," << c.b;
}

TEST_F(FontTest, BytesWithoutAGlyphAreSkippedWithoutAGap) {
  glPrint(50, 50, 0, "ab~");
  GlFrame plain = gl_read_frame();
  gl_clear();
  glPrint(50, 50, 0,
          "\x01"
          "a\x1f\x80"
          "b\xff~");
  GlFrame odd = gl_read_frame();
  EXPECT_TRUE(plain.rgb == odd.rgb);
  // 127 is the last glyph of its row, printed like any other.
  gl_clear();
  glPrint(50, 50, 0, "~\x7f");
  expect_filled(gl_read_frame(), gl_glyph_cell(50, 50, 1, 1.5f), cell_colour(95));
}

// Text_draw of a number looks exactly like glPrint of its decimal string.
static void expect_number_as_text(int number, const char* text) {
  gl_clear();
  glPrint(30, 300, 0, text);
  GlFrame want = gl_read_frame();
  gl_clear();
  Text_draw(30, 300, 0, number);
  GlFrame got = gl_read_frame();
  EXPECT_TRUE(want.rgb == got.rgb) << number;
}

TEST_F(FontTest, NumbersPrintInFull) {
  expect_number_as_text(-45, "-45");
  expect_number_as_text(0, "0");
  expect_number_as_text(10001, "10001");
  expect_number_as_text(INT_MAX, "2147483647");
  expect_number_as_text(INT_MIN, "-2147483648");
  // The last digit of INT_MIN lands ten glyphs to the right.
  GlFrame f = gl_read_frame();
  expect_filled(f, gl_glyph_cell(30, 300, 10, 1.5f), cell_colour('8' - 32));
  EXPECT_EQ(f.lit(gl_glyph_cell(30, 300, 12)), 0);
}
