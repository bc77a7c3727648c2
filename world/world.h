// The building table, the map file and walking.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

void sector_set();
void NULL_build();
void Load_sector_map(const char* Filename);
void readstr(std::FILE* f, char* string);

// A map as a match start read it: whether there was one, and its value lines, one a line
// (the number the game took, or "-" for a line without one). At most 250 lines.
struct MapText {
  bool present = false;
  std::string text;
};
// The longest value-line text a map can give: 250 lines of an int each.
constexpr std::size_t MAP_TEXT_MAX = 250 * 12;
// Reads a map file as a match start would, without touching the buildings.
bool map_read_file(const char* Filename, MapText* map);
// From now on every match start reads this map instead of "s_1.txt" (the host's map on
// the guest, a recorded map on replay); present false plays as a missing file.
void map_use_given(bool present, const char* text, std::size_t size);
// Match starts read "s_1.txt" again, as the game always has.
void map_use_file();
// How many match starts have read a map, and what the last one read.
long map_reads();
const MapText& map_last_read();

void player_hore(int numb);
void player_dole(int numb);
void player_doprava(int numb);
void player_dolava(int numb);
