// Helpers for the drawing tests: where the game's projection puts a point,
// plain-colour stand-ins for texture slots, and the tint of a printed text.
#pragma once

#include <initializer_list>
#include <utility>

#include "tests/gl/gl_fixture.h"

// Window pixel (y down) of an eye-space point seen through the game's
// 45-degree perspective with the window's aspect.
void eye_to_window(float ex, float ey, float ez, int* px, int* py);
// The same for a point of the field, in the frame the field is drawn in
// (moved by -10, -4, -20).
void field_to_window(float x, float y, float z, int* px, int* py);
// The colour at a field point.
Rgb field_pixel(const GlFrame& f, float x, float y, float z);

// Puts one-colour 4 x 4 images in the given texture slots for the life of the
// object, so a test knows what colour each slot paints; restores the game's own.
class SlotColours {
 public:
  SlotColours(std::initializer_list<std::pair<int, Rgb>> slots);
  ~SlotColours();

 private:
  unsigned saved[52];
  unsigned made[52];
  int count = 0;
};

// A glyph sheet in slot 35 whose cells all differ (cell k shows the bits of k
// as blocks), for the life of the object, so a test can tell texts apart
// whatever the game's own sheet or an earlier test left there.
class DistinctGlyphs {
 public:
  DistinctGlyphs();
  ~DistinctGlyphs();

 private:
  unsigned saved, made;
};

// The brightest pixel among the left 10 text units of a glyph cell (the part
// no later glyph overlaps): on black, that is the glyph's tint.
Rgb glyph_tint(const GlFrame& f, float tx, float ty, int index = 0);
// True when p has the hue of the colour with full channels where want is 1
// and empty ones where it is 0.
bool is_tint(Rgb p, int r, int g, int b);
// Puts every screen flag, request and highlight back to false.
void reset_screen_flags();
// Matches two pixel blocks of equal size within tol per channel.
bool same_pixels(const GlFrame& a, const GlFrame& b, const PixelRect& r, int tol = 0);

::testing::AssertionResult HasTint(const GlFrame& f, float tx, float ty, int r, int g, int b,
                                   int index = 0);
