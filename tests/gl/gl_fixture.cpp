#include "tests/gl/gl_fixture.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "state/lybrary3.h"

void gl_clear() {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

GlFrame gl_read_frame() {
  GlFrame f;
  WindowDrawableSize(&f.width, &f.height);
  f.rgb.resize(size_t(f.width) * f.height * 3);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, f.width, f.height, GL_RGB, GL_UNSIGNED_BYTE, f.rgb.data());
  return f;
}

Rgb GlFrame::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0};
  const unsigned char* p = &rgb[(size_t(height - 1 - y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

Rgb GlFrame::at_eye(float ex, float ey, float ez) const {
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  return at(int(std::floor((f * height / width * ex / -ez + 1) / 2 * width)),
            int(std::floor((1 - f * ey / -ez) / 2 * height)));
}

SlotColours::SlotColours(std::initializer_list<std::pair<int, Rgb>> slots) {
  for (int i = 0; i < N; i++) saved[i] = texture[i];
  for (const auto& s : slots) {
    const unsigned char rgb[3] = {(unsigned char)s.second.r, (unsigned char)s.second.g,
                                  (unsigned char)s.second.b};
    GLuint t;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    texture[s.first] = t;
    made.push_back(t);
  }
}

SlotColours::~SlotColours() {
  for (int i = 0; i < N; i++) texture[i] = saved[i];
  glDeleteTextures(made.size(), made.data());
}

// The window opens once for the whole run, on the images under the working directory.
void GlTest::SetUp() {
  static int state;  // 0 not tried, 1 open, 2 failed
  if (state == 0) {
    // Every box answers No unshown, so no test waits on a dialog.
    message_box_hook = [](const char*, const char*, BoxIcon, bool) { return false; };
    state = OpenTestWindow() ? 1 : 2;
    if (state == 1) atexit(KillGLWindow);
  }
  ASSERT_EQ(state, 1) << "no game window: is Data/ under the working directory?";
  reset_screen_flags();
}
