// The mipmap chain's box filter.
#include "image/mipmap.h"

#include <vector>

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

void mipmap_chain(int width, int height, const unsigned char* data, const MipmapLevel& level) {
  std::vector<unsigned char> levels[2];
  const unsigned char* above = data;
  for (int n = 1; width > 1 || height > 1; n++) {
    std::vector<unsigned char>& next = levels[n % 2];
    next.resize(size_t(width > 1 ? width / 2 : 1) * (height > 1 ? height / 2 : 1) * 3);
    mipmap_halve_rgb(above, width, height, next.data());
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
    level(n, width, height, next.data());
    above = next.data();
  }
}
