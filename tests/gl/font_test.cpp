// The bitmap font in a real GL context: where glyphs land, numbers, colours.
#include <GL/gl.h>

#include <climits>
#include <vector>

#include "core/lybrary3.h"
#include "render/render.h"
#include "tests/gl/gl_fixture.h"

// Every test draws on black with a sheet whose glyph cells are all solid
// white inside a 1-texel margin, so a glyph shows as a plain white square.
class FontTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    std::vector<unsigned char> sheet(256 * 256 * 3, 0);
    for (int y = 0; y < 256; y++)
      for (int x = 0; x < 256; x++)
        if (x % 16 != 0 && x % 16 != 15 && y % 16 != 0 && y % 16 != 15)
          for (int c = 0; c < 3; c++) sheet[(y * 256 + x) * 3 + c] = 255;
    glBindTexture(GL_TEXTURE_2D, texture[35]);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, sheet.data());
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    gl_clear();
  }
  void TearDown() override {
    glEnable(GL_LIGHTING);
    glEnable(GL_BLEND);
  }
};

TEST_F(FontTest, GlyphSitsInItsCellInTheCurrentColour) {
  yellow();
  glPrint(100, 200, 0, "A");
  GlFrame f = gl_read_frame();
  PixelRect cell = gl_glyph_cell(100, 200, 0, 2);
  int area = (cell.x1 - cell.x0) * (cell.y1 - cell.y0);
  EXPECT_EQ(f.count(cell, {255, 255, 0}, 30), area);
  // Nothing left of it, right of it, above or below it.
  EXPECT_EQ(f.lit(gl_text_rect(60, 200, 38, 30)), 0);
  EXPECT_EQ(f.lit(gl_text_rect(118, 200, 40, 30)), 0);
  EXPECT_EQ(f.lit(gl_text_rect(100, 170, 16, 32)), 0);
  EXPECT_EQ(f.lit(gl_text_rect(100, 222, 16, 30)), 0);
  white();
}
