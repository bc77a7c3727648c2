// The bitmap font: bytes without a glyph, and numbers in full (the glyphs: the pixel check's).
#include <climits>

#include "render/render.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"

using Font = GlTest;

// The frame after printing text alone, in white on black.
static GlFrame printed(float x, float y, const char* text) {
  white();
  gl_clear();
  glPrint(x, y, 0, text);
  return gl_read_frame();
}

TEST_F(Font, BytesWithoutAGlyphAreSkippedWithoutAGap) {
  const GlFrame plain = printed(50, 50, "ab~");
  EXPECT_TRUE(printed(50, 50, "\001a\037\200b\377~").rgb == plain.rgb);  // bytes 1, 31, 128, 255
  // 127 is the last glyph of its row, printed like any other: it moves the pen.
  EXPECT_FALSE(printed(50, 50, "\x7f~").rgb == printed(50, 50, "~").rgb);
}

// Text_draw of a number looks exactly like glPrint of its decimal string.
TEST_F(Font, NumbersPrintInFull) {
  const struct {
    int number;
    const char* text;
  } cases[] = {
      {-45, "-45"}, {0, "0"}, {10001, "10001"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
  for (const auto& c : cases) {
    GlFrame want = printed(30, 300, c.text);
    gl_clear();
    Text_draw(30, 300, 0, c.number);
    EXPECT_TRUE(gl_read_frame().rgb == want.rgb) << c.number;
  }
}
