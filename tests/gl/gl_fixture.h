// The GL test window: one real game window for the whole test run, opened
// through the game's own start-up, plus pixel read-back helpers.
// Tests include this, never SDL.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

struct Rgb {
  int r, g, b;
};

// A rectangle of window pixels, y down from the top edge; x1 and y1 excluded.
struct PixelRect {
  int x0, y0, x1, y1;
};

// One message box the game tried to show (the fixture records instead of showing).
struct BoxRecord {
  std::string text;
  std::string caption;
  BoxIcon icon;
  bool yes_no;
};

// Opens the 1280 x 1024 game window (windowed) with InitGL run on the images
// under the working directory; later calls return the first result.
bool gl_open_window();
// Drawable size of the test window in pixels.
int gl_width();
int gl_height();

// Every box shown since the last gl_boxes_clear(), and the answer a Yes/No
// question gets (No unless a test says otherwise).
std::vector<BoxRecord>& gl_boxes();
void gl_boxes_clear();
void gl_box_answer(bool yes);

// Clears the back buffer to black.
void gl_clear();
// Runs one DrawGLScene into the back buffer (not presented) and waits for it.
void gl_draw_scene();
// RGB of one window pixel of the back buffer, (0, 0) the top-left pixel.
Rgb gl_pixel(int x, int y);

// The whole back buffer, read once, for scanning regions.
struct GlFrame {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // top row first
  Rgb at(int x, int y) const;
  // Pixels in the rectangle whose channels are all within tol of want.
  int count(const PixelRect& r, Rgb want, int tol = 40) const;
  // Pixels in the rectangle brighter than black (any channel above min).
  int lit(const PixelRect& r, int min = 40) const;
};
GlFrame gl_read_frame();

// A point of the 640 x 480 text space (y down) in window pixels.
void gl_text_to_window(float tx, float ty, int* wx, int* wy);
// The window pixels of glyph number index (0 = first) of text printed at
// (tx, ty): its 16 x 16 cell, shrunk by inset text units on every side.
PixelRect gl_glyph_cell(float tx, float ty, int index, float inset = 0);
// The window pixels of a text-space rectangle (x, y top-left, w, h).
PixelRect gl_text_rect(float tx, float ty, float w, float h);

// Base for tests drawing in the game window: opens it, clears the recorded boxes.
class GlTest : public ::testing::Test {
 protected:
  void SetUp() override;
};
