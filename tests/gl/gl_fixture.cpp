// The GL test window and its read-back helpers.
#include "tests/gl/gl_fixture.h"

#include <GL/gl.h>

#include <cstdlib>

#include "core/draw_scene.h"

static std::vector<BoxRecord> boxes;
static bool yes_answer;

// Records a box instead of showing it, so no test waits on a dialog.
static bool record_box(const char* text, const char* caption, BoxIcon icon, bool yes_no) {
  boxes.push_back({text, caption, icon, yes_no});
  return yes_no && yes_answer;
}

bool gl_open_window() {
  static int state;  // 0 not tried, 1 open, 2 failed
  if (state == 0) {
    message_box_hook = record_box;
    state = OpenTestWindow() ? 1 : 2;
    if (state == 1) atexit(KillGLWindow);
  }
  return state == 1;
}

int gl_width() {
  int w, h;
  WindowDrawableSize(&w, &h);
  return w;
}

int gl_height() {
  int w, h;
  WindowDrawableSize(&w, &h);
  return h;
}

std::vector<BoxRecord>& gl_boxes() {
  return boxes;
}
void gl_boxes_clear() {
  boxes.clear();
}
void gl_box_answer(bool yes) {
  yes_answer = yes;
}

void gl_clear() {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void gl_draw_scene() {
  DrawGLScene();
  glFinish();
}

Rgb gl_pixel(int x, int y) {
  unsigned char p[3] = {0, 0, 0};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, gl_height() - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

GlFrame gl_read_frame() {
  GlFrame f;
  f.width = gl_width();
  f.height = gl_height();
  std::vector<unsigned char> up(size_t(f.width) * f.height * 3);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, f.width, f.height, GL_RGB, GL_UNSIGNED_BYTE, up.data());
  // GL reads bottom row first; tests think top-down like the screen.
  f.rgb.resize(up.size());
  size_t row = size_t(f.width) * 3;
  for (int y = 0; y < f.height; y++)
    std::copy(up.begin() + (f.height - 1 - y) * row, up.begin() + (f.height - y) * row,
              f.rgb.begin() + y * row);
  return f;
}

Rgb GlFrame::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0};
  const unsigned char* p = &rgb[(size_t(y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

int GlFrame::count(const PixelRect& r, Rgb want, int tol) const {
  int n = 0;
  for (int y = r.y0; y < r.y1; y++)
    for (int x = r.x0; x < r.x1; x++) {
      Rgb p = at(x, y);
      if (abs(p.r - want.r) <= tol && abs(p.g - want.g) <= tol && abs(p.b - want.b) <= tol) n++;
    }
  return n;
}

int GlFrame::lit(const PixelRect& r, int min) const {
  int n = 0;
  for (int y = r.y0; y < r.y1; y++)
    for (int x = r.x0; x < r.x1; x++) {
      Rgb p = at(x, y);
      if (p.r > min || p.g > min || p.b > min) n++;
    }
  return n;
}

void gl_text_to_window(float tx, float ty, int* wx, int* wy) {
  *wx = int(tx * gl_width() / 640.0f + 0.5f);
  *wy = int(ty * gl_height() / 480.0f + 0.5f);
}

PixelRect gl_text_rect(float tx, float ty, float w, float h) {
  PixelRect r;
  gl_text_to_window(tx, ty, &r.x0, &r.y0);
  gl_text_to_window(tx + w, ty + h, &r.x1, &r.y1);
  return r;
}

// A glyph printed at (tx, ty) covers text x tx .. tx + 16 and, y down,
// ty + 4 .. ty + 20: the print puts its lower-left corner 460 - ty above the bottom.
PixelRect gl_glyph_cell(float tx, float ty, int index, float inset) {
  float x = tx + 10 * index;
  return gl_text_rect(x + inset, ty + 4 + inset, 16 - 2 * inset, 16 - 2 * inset);
}

void GlTest::SetUp() {
  ASSERT_TRUE(gl_open_window()) << "no game window: is Data/ under the working directory?";
  gl_boxes_clear();
}
