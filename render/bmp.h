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

// Decodes a whole file held in memory; null (after one report) when it cannot.
// The name is only used in the report text.
AUX_RGBImageRec* bmp_decode(const std::uint8_t* bytes, std::size_t size, const char* name);
// Reads and decodes a file; null after one report when it cannot.
AUX_RGBImageRec* bmp_read_file(const char* name);
// Releases a decoded image: its data, then the record (both come from malloc).
void bmp_free(AUX_RGBImageRec* image);
