// The bitmap font: 256 display lists cut from the glyph sheet, text and
// numbers placed on a 640 x 480 screen, and the text colours.
#include <GL/gl.h>

#include <cstdio>

#include "render/render.h"
#include "state/lybrary3.h"

constexpr int FONT_TEXTURE = 35;
constexpr float CELL = 0.0625f;  // one of 16 cells across and down the sheet

// Texture corners of glyph cell k of the sheet: left, right, bottom, top.
static void glyph_cell(int k, float st[4]) {
  float cx = float(k % 16) / 16.0f;
  float cy = float(k / 16) / 16.0f;
  st[0] = cx;
  st[1] = cx + CELL;
  st[2] = 1 - cy - CELL;
  st[3] = 1 - cy;
}

// One glyph quad, 16 x 16, with its lower-left corner at (x, y).
static void glyph_quad(int k, int x, int y) {
  float st[4];
  glyph_cell(k, st);
  textured_rect(x, y, x + 16, y + 16, 0, st[0], st[2], st[1], st[3]);
}

// Cuts the glyph sheet into 256 lists, each one quad and the pen advance. The browser's GL
// has no display lists: there the glyphs are only ever drawn as quads (glPrint).
void BuildFont() {
#ifndef __EMSCRIPTEN__
  base = glGenLists(256);
  glBindTexture(GL_TEXTURE_2D, texture[FONT_TEXTURE]);
  for (int k = 0; k < 256; k++) {
    glNewList(base + k, GL_COMPILE);
    glBegin(GL_QUADS);
    glyph_quad(k, 0, 0);
    glEnd();
    glTranslated(10, 0, 0);
    glEndList();
  }
#endif
}

// Frees the lists; once the context is gone they went with it (base is 0 then).
void KillFont() {
  if (base == 0) return;
#ifndef __EMSCRIPTEN__
  glDeleteLists(base, 256);
#endif
  base = 0;
}

// Writes a string with its first glyph's top-left near (x, y) of the text screen.
void glPrint(float x, float y, float z, const char* string) {
  (void)z;
  glPrintScaled(x, y, 1, string);
}

// The same, each glyph scale times as large, growing right and down from (x, y).
void glPrintScaled(float x, float y, float scale, const char* string) {
  if (!string) return;
  glBindTexture(GL_TEXTURE_2D, texture[FONT_TEXTURE]);
  glDisable(GL_DEPTH_TEST);
  flat_layer_begin();
  glTranslated(x, 460 - y - 16 * (scale - 1), 0);
  glScaled(scale, scale, 1);
  // Only the printable half of set 0 has glyphs; any other byte is skipped
  // without moving the pen. The glyphs are the lists' quads, the pen moved
  // by hand: one batch for the string instead of one per glyph.
  glBegin(GL_QUADS);
  int pen = 0;
  for (const unsigned char* c = (const unsigned char*)string; *c; c++) {
    if (*c < 32 || *c > 127) continue;
    glyph_quad(*c - 32, pen, 0);
    pen += 10;
  }
  glEnd();
  flat_layer_end();
  glEnable(GL_DEPTH_TEST);
}

// Writes an int in decimal, the sign first; every value prints in full, the
// most negative one included. The glyphs sit where printing them one by one,
// 10 apart, would put them, drawn as one string.
void Text_draw(float x, float y, float z, int number) {
  char text[24];
  snprintf(text, sizeof text, "%lld", (long long)number);
  glPrint(x, y, z, text);
}

// The text colours: each tints whatever is drawn next, text or shape.
void white() {
  glColor3f(1, 1, 1);
}
void black() {
  glColor3f(0, 0, 0);
}
void blue() {
  glColor3f(0, 0, 1);
}
void green() {
  glColor3f(0, 1, 0);
}
void red() {
  glColor3f(1, 0, 0);
}
void yellow() {
  glColor3f(1, 1, 0);
}
void lila() {
  glColor3f(1, 0, 1);
}
void cyan() {
  glColor3f(0, 1, 1);
}

// The y of the next text row.
float line(float y) {
  return y + 30;
}

void glyph_in_field(char c, float x, float y, float z, float size) {
  const unsigned char k = static_cast<unsigned char>(c);
  if (k < 32 || k > 127) return;
  float st[4];
  glyph_cell(k - 32, st);
  glBindTexture(GL_TEXTURE_2D, texture[FONT_TEXTURE]);
  glBegin(GL_QUADS);
  textured_rect(x, y, x + size, y + size, z, st[0], st[2], st[1], st[3]);
  glEnd();
}

void flat_layer_begin(bool y_down) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, 640, y_down ? 480 : 0, y_down ? 0 : 480, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
}

void flat_layer_end() {
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

void text_layer_begin() {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
}

void text_layer_end() {
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  white();
}
