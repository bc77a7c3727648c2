// The icon: the menu flag shrunk to icon size with rounded corners. Whole-number
// arithmetic only, so the same flag gives the same icon bytes on every machine.
#include "image/icon.h"

// Subsamples per side for the rounded corners' edge.
static const int EDGE_SAMPLES = 4;

// Coverage 0..255 of icon pixel (x, y) by a square of side size with corner radius r.
static int corner_alpha(int x, int y, int size) {
  int r = size / 6;
  int inside = 0;
  for (int sy = 0; sy < EDGE_SAMPLES; sy++) {
    for (int sx = 0; sx < EDGE_SAMPLES; sx++) {
      // Sample position and radius, in units of 1 / (2 * EDGE_SAMPLES) pixel.
      int px = x * 2 * EDGE_SAMPLES + 2 * sx + 1, py = y * 2 * EDGE_SAMPLES + 2 * sy + 1;
      int full = size * 2 * EDGE_SAMPLES, rad = r * 2 * EDGE_SAMPLES;
      int dx = px < rad ? rad - px : px > full - rad ? px - (full - rad) : 0;
      int dy = py < rad ? rad - py : py > full - rad ? py - (full - rad) : 0;
      if (dx * dx + dy * dy <= rad * rad) inside++;
    }
  }
  return inside * 255 / (EDGE_SAMPLES * EDGE_SAMPLES);
}

void icon_from_flag(const AUX_RGBImageRec& flag, int size, unsigned char* rgba) {
  for (int y = 0; y < size; y++) {
    // The flag's rows run bottom first; the icon's top first.
    int y0 = y * flag.sizeY / size, y1 = (y + 1) * flag.sizeY / size;
    for (int x = 0; x < size; x++) {
      int x0 = x * flag.sizeX / size, x1 = (x + 1) * flag.sizeX / size;
      long sum[3] = {0, 0, 0};
      long count = 0;
      for (int fy = y0; fy < y1 || fy == y0; fy++) {
        const unsigned char* row = flag.data + (long)(flag.sizeY - 1 - fy) * flag.sizeX * 3;
        for (int fx = x0; fx < x1 || fx == x0; fx++) {
          for (int c = 0; c < 3; c++) sum[c] += row[fx * 3 + c];
          count++;
        }
      }
      unsigned char* out = rgba + ((long)y * size + x) * 4;
      for (int c = 0; c < 3; c++) out[c] = (unsigned char)((sum[c] + count / 2) / count);
      out[3] = (unsigned char)corner_alpha(x, y, size);
    }
  }
}
