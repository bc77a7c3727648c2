// The ground plane's shared rules: facings and closed unit squares.
#pragma once

#include "state/lybrary3.h"

// Where a facing stands in tables kept per facing (up, right, down, left); -1 for none of the four.
inline int facing_row(int alpha) {
  switch (alpha) {
    case hore: return 0;
    case doprava: return 1;
    case dole: return 2;
    case dolava: return 3;
    default: return -1;
  }
}

// Whether a unit square's near side a or far side a + 1 lies within [lo, hi] along one
// axis: touching counts as overlap. Sums are taken in double, never rounded to float.
inline bool side_within(double a, double lo, double hi) {
  return (lo <= a && a <= hi) || (lo <= a + 1.0 && a + 1.0 <= hi);
}

// Whether unit squares at a and b touch or overlap along one axis.
inline bool squares_touch(float a, float b) {
  return side_within(a, b, b + 1.0);
}
