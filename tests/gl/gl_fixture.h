// The GL test window (one game window for the whole run, opened by the game's own start-up)
// and what the drawing tests read back from it. Tests include this, never SDL.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "tests/game_state.h"

struct Rgb {
  int r, g, b;
};

void gl_clear();

// The back buffer, bottom row first as GL reads it; at() counts y down from the top.
struct GlFrame {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  Rgb at(int x, int y) const;
  // The pixel of an eye-space point through the game's 45-degree perspective.
  Rgb at_eye(float ex, float ey, float ez) const;
};
GlFrame gl_read_frame();

// One-colour images in the given texture slots while it lives, so a test knows what each paints.
class SlotColours {
 public:
  SlotColours(std::initializer_list<std::pair<int, Rgb>> slots);
  ~SlotColours();

 private:
  unsigned saved[52];
  std::vector<unsigned> made;
};

// Base for tests drawing in the 1280 x 1024 game window: opens it, with no screen up.
class GlTest : public ::testing::Test {
 protected:
  void SetUp() override;
};
