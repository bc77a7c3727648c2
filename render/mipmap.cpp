// The mipmap chain's box filter.
#include "render/mipmap.h"

void mipmap_halve_rgb(const unsigned char* src, int width, int height, unsigned char* dst) {
  if (width == 1 || height == 1) {
    // A line halves in pairs, and the mean of a pair is rounded down.
    const int count = (width > height ? width : height) / 2;
    for (int k = 0; k < count; k++, src += 6)
      for (int c = 0; c < 3; c++) *dst++ = (unsigned char)((src[c] + src[c + 3]) / 2);
    return;
  }
  // A block of four is rounded to nearest.
  const long long row = 3LL * width;
  for (int y = 0; y < height / 2; y++) {
    const unsigned char* t = src + 2 * y * row;
    for (int x = 0; x < width / 2; x++, t += 6)
      for (int c = 0; c < 3; c++)
        *dst++ = (unsigned char)((t[c] + t[c + 3] + t[c + row] + t[c + row + 3] + 2) / 4);
  }
}
