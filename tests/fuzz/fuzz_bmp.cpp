// Fuzz target: the BMP reader on arbitrary bytes. A broken image costs exactly one message; a
// decoded one, its power-of-two copy and the mipmap chain from that are read to their last
// byte and never past it (the chain's values are the GL test's, against GLU).
#include <algorithm>
#include <cstdint>

#include "fuzz_fail.h"
#include "image/bmp.h"
#include "image/mipmap.h"

static int reports;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  bmp_report = [](const char*) { reports++; };
  reports = 0;
  AUX_RGBImageRec* image = bmp_decode(data, size, "Data/fuzz.bmp");
  if (!image) {
    if (reports != 1) fuzz_fail("a rejected image must give exactly one message");
    return 0;
  }
  if (reports != 0) fuzz_fail("a decoded image gave a message");
  // Touch every byte the texture upload will read; the address checker sees any short buffer.
  const std::size_t pixels = (std::size_t)image->sizeX * image->sizeY;
  const auto range = std::minmax_element(image->data, image->data + pixels * 3);
  const int low = *range.first, high = *range.second;
  // Then on to the mipmaps as the game does: the next powers of two, blended from old values.
  const int w = image->sizeX, h = image->sizeY;
  if (!(image = bmp_to_pow2(image))) fuzz_fail("no power-of-two image");
  const int w2 = image->sizeX, h2 = image->sizeY;
  if ((w2 & (w2 - 1)) || (h2 & (h2 - 1)) || w2 < w || h2 < h || w2 >= 2 * w || h2 >= 2 * h)
    fuzz_fail("wrong power-of-two sides");
  for (std::uint64_t i = 0; i < (std::uint64_t)w2 * h2 * 3; i++)
    if (image->data[i] < low || image->data[i] > high) fuzz_fail("scaled value out of range");
  mipmap_chain(w2, h2, image->data, [](int, int, int, const unsigned char*) {});
  bmp_free(image);
  return 0;
}
