// The GL test window (one real game window for the whole run, opened through
// the game's own start-up) and what the drawing tests read back from it.
// Tests include this, never SDL.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/platform.h"

struct Rgb {
  int r, g, b;
};

void gl_clear();

// The whole back buffer, read once all drawing is done, bottom row first as GL reads it;
// at() counts y down from the top, like the screen.
struct GlFrame {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  Rgb at(int x, int y) const;
  // The pixel of an eye-space point through the game's 45-degree perspective.
  Rgb at_eye(float ex, float ey, float ez) const;
  // Pixels brighter than black in a rectangle of the 640 x 480 text space (y down).
  int lit(float tx, float ty, float w, float h) const;
};
GlFrame gl_read_frame();

// Puts one-colour images in the given texture slots for the life of the
// object, so a test knows what each slot paints; restores the game's own.
class SlotColours {
 public:
  SlotColours(std::initializer_list<std::pair<int, Rgb>> slots);
  ~SlotColours();

 private:
  unsigned saved[52];
  std::vector<unsigned> made;
};

// Puts every screen flag, request and key back to false.
void reset_screen_flags();

// Base for tests drawing in the 1280 x 1024 game window: opens it, with no screen up.
class GlTest : public ::testing::Test {
 protected:
  void SetUp() override;
};
