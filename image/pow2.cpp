// Power-of-two images for the mipmap builder. An image whose sides are not powers of two
// is scaled up here, by the game, so no library ever rescales (and reads past) our pixels.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/bmp.h"

namespace {

// The smallest power of two at or above side.
std::int64_t next_pow2(std::int64_t side) {
  std::int64_t p = 1;
  while (p < side) p *= 2;
  return p;
}

// Where each of the `to` new pixels along one side samples the `from` old ones: the
// nearer source pixel, the one after it and the weight (0 to 256) of that second one,
// taken at pixel centres and held to the edge.
struct Tap {
  int first, second, weight;
};
std::vector<Tap> taps(std::int64_t from, std::int64_t to) {
  std::vector<Tap> out((std::size_t)to);
  for (std::int64_t i = 0; i < to; i++) {
    std::int64_t num = (2 * i + 1) * from - to, den = 2 * to;
    if (num < 0) num = 0;
    std::int64_t first = num / den;
    int weight = (int)(num % den * 256 / den);
    if (first >= from - 1) first = from - 1, weight = 0;
    out[(std::size_t)i] = {(int)first, (int)(first + (weight ? 1 : 0)), weight};
  }
  return out;
}

}  // namespace

// Gives the image back with power-of-two sides, blended up from the pixels around each
// new one; the image's own record keeps its address.
AUX_RGBImageRec* bmp_to_pow2(AUX_RGBImageRec* image) {
  if (!image) return nullptr;
  const std::int64_t w = image->sizeX, h = image->sizeY;
  const std::int64_t w2 = next_pow2(w), h2 = next_pow2(h);
  if (w2 == w && h2 == h) return image;
  unsigned char* data = (std::uint64_t)(w2 * h2) <= SIZE_MAX / 3
                            ? (unsigned char*)std::malloc((std::size_t)(w2 * h2 * 3))
                            : nullptr;
  if (!data) {
    bmp_free(image);
    bmp_failure = "out of memory";
    bmp_report("Out of memory.");
    return nullptr;
  }
  const std::vector<Tap> across = taps(w, w2), down = taps(h, h2);
  const unsigned char* src = image->data;
  unsigned char* out = data;
  for (const Tap& y : down) {
    const unsigned char* row0 = src + (std::size_t)y.first * w * 3;
    const unsigned char* row1 = src + (std::size_t)y.second * w * 3;
    for (const Tap& x : across) {
      const int w00 = (256 - x.weight) * (256 - y.weight), w01 = x.weight * (256 - y.weight);
      const int w10 = (256 - x.weight) * y.weight, w11 = x.weight * y.weight;
      for (int c = 0; c < 3; c++, out++) {
        *out =
            (unsigned char)((row0[x.first * 3 + c] * w00 + row0[x.second * 3 + c] * w01 +
                             row1[x.first * 3 + c] * w10 + row1[x.second * 3 + c] * w11 + 32768) >>
                            16);
      }
    }
  }
  std::free(image->data);
  image->data = data;
  image->sizeX = (int)w2;
  image->sizeY = (int)h2;
  return image;
}
