// The drawing tests' helpers: projection, stand-in textures, text tints.
#include "tests/gl/draw_probe.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/lybrary3.h"

void eye_to_window(float ex, float ey, float ez, int* px, int* py) {
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  const double aspect = double(gl_width()) / gl_height();
  const double nx = f / aspect * ex / -ez;
  const double ny = f * ey / -ez;
  *px = int(std::floor((nx + 1) / 2 * gl_width()));
  *py = int(std::floor((1 - ny) / 2 * gl_height()));
}

void field_to_window(float x, float y, float z, int* px, int* py) {
  eye_to_window(x - 10, y - 4, z - 20, px, py);
}

Rgb field_pixel(const GlFrame& f, float x, float y, float z) {
  int px, py;
  field_to_window(x, y, z, &px, &py);
  return f.at(px, py);
}

SlotColours::SlotColours(std::initializer_list<std::pair<int, Rgb>> slots) {
  for (int i = 0; i < N; i++) saved[i] = texture[i];
  for (const auto& s : slots) {
    unsigned char img[4 * 4 * 3];
    for (int p = 0; p < 16; p++) {
      img[p * 3] = s.second.r;
      img[p * 3 + 1] = s.second.g;
      img[p * 3 + 2] = s.second.b;
    }
    GLuint t;
    glGenTextures(1, &t);
    glBindTexture(GL_TEXTURE_2D, t);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, img);
    texture[s.first] = t;
    made[count++] = t;
  }
}

SlotColours::~SlotColours() {
  for (int i = 0; i < N; i++) texture[i] = saved[i];
  glDeleteTextures(count, made);
}

DistinctGlyphs::DistinctGlyphs() : saved(texture[35]) {
  static unsigned char sheet[256 * 256 * 3];
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) {
      const int k = (x / 16) + (15 - y / 16) * 16, lx = x % 16, ly = y % 16;
      const bool inside = lx > 0 && lx < 15 && ly > 0 && ly < 15;
      const bool on = inside && (((k >> ((lx - 1) / 4 + (ly - 1) / 7 * 4)) & 1) || lx == 7);
      for (int c = 0; c < 3; c++) sheet[(y * 256 + x) * 3 + c] = on ? 255 : 0;
    }
  glGenTextures(1, &made);
  glBindTexture(GL_TEXTURE_2D, made);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, sheet);
  texture[35] = made;
}

DistinctGlyphs::~DistinctGlyphs() {
  texture[35] = saved;
  glDeleteTextures(1, &made);
}

Rgb glyph_tint(const GlFrame& f, float tx, float ty, int index) {
  PixelRect r = gl_text_rect(tx + 10 * index, ty + 4, 10, 16);
  Rgb best = {0, 0, 0};
  for (int y = r.y0; y < r.y1; y++)
    for (int x = r.x0; x < r.x1; x++) {
      Rgb p = f.at(x, y);
      if (std::max(p.r, std::max(p.g, p.b)) > std::max(best.r, std::max(best.g, best.b))) best = p;
    }
  return best;
}

bool is_tint(Rgb p, int r, int g, int b) {
  const int want[3] = {r, g, b};
  const int got[3] = {p.r, p.g, p.b};
  for (int c = 0; c < 3; c++) {
    if (want[c] && got[c] < 120) return false;
    if (!want[c] && got[c] > 40) return false;
  }
  return true;
}

::testing::AssertionResult HasTint(const GlFrame& f, float tx, float ty, int r, int g, int b,
                                   int index) {
  Rgb p = glyph_tint(f, tx, ty, index);
  if (is_tint(p, r, g, b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "text at (" << tx << ", " << ty << ") glyph " << index << " is (" << p.r << ", " << p.g
         << ", " << p.b << "), want the hue (" << r << ", " << g << ", " << b << ")";
}

void reset_screen_flags() {
  start = Start_Menu = Menu = Help = Info = Nastavenia = New_Nastavenia = End = false;
  QNew = QNastavenia = QExit = QReturn = QEnd = false;
  New = Return = Exit = move = false;
  Q_1 = Q_2 = Q_3 = false;
  for (bool& k : keys) k = false;
  key = Skey{};
  keep = Skey{};
}

bool same_pixels(const GlFrame& a, const GlFrame& b, const PixelRect& r, int tol) {
  for (int y = r.y0; y < r.y1; y++)
    for (int x = r.x0; x < r.x1; x++) {
      Rgb p = a.at(x, y), q = b.at(x, y);
      if (std::abs(p.r - q.r) > tol || std::abs(p.g - q.g) > tol || std::abs(p.b - q.b) > tol)
        return false;
    }
  return true;
}
