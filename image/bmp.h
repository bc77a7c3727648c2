// The game's BMP reader: any accepted BMP form to 24-bit RGB, bottom row first.
#pragma once

#include <cstddef>
#include <cstdint>

struct AUX_RGBImageRec {
  int sizeX;
  int sizeY;
  unsigned char* data;
};

// Where the reader reports a file it cannot decode (text, caption "Error").
// The game points it at a message box; by default it writes to standard error.
using BmpReport = void (*)(const char* text);
extern BmpReport bmp_report;

// The largest image side the reader accepts: 8192, or the GL's largest texture when the
// drawing side has set that lower. Larger images are refused before any pixel is made.
constexpr int BMP_MAX_SIDE = 8192;
extern int bmp_gl_max_side;  // 0 until a GL context has said
// The largest image file the reader takes in, in bytes.
constexpr long long BMP_MAX_FILE = 64LL << 20;

// Why the last read, decode or scaling gave no image: "missing", "unreadable", "not a
// regular file", "bad format" or "out of memory".
extern const char* bmp_failure;

// Decodes a whole file held in memory; null (after one report) when it cannot.
// The name is only used in the report text.
AUX_RGBImageRec* bmp_decode(const std::uint8_t* bytes, std::size_t size, const char* name);
// Reads and decodes a file; null after one report when it cannot. Only a regular file
// can be opened: a folder, pipe or device cannot.
AUX_RGBImageRec* bmp_read_file(const char* name);
// Gives the image back with power-of-two sides, scaled up by the game when they are not,
// so the mipmap builder never rescales it. Takes the image; null (after one report) when
// the larger copy cannot be made, and null for null.
AUX_RGBImageRec* bmp_to_pow2(AUX_RGBImageRec* image);
// Releases a decoded image: its data, then the record (both come from malloc).
void bmp_free(AUX_RGBImageRec* image);
