// What a match starts from besides the state: the bows' seed, the sector and the arena's
// text and name. Each match start fills it as it happens; a recording carries it for every
// match start, and online play agrees on it, so a match runs again the same everywhere.
#pragma once

#include <cstdint>
#include <string>

struct MatchStart {
  std::uint32_t seed = 1;    // the bows' generator's seed (1: never seeded, as described)
  bool seeded = false;       // the match start reseeded the generator with it
  int sector = 1;            // s_N.txt; 0 for an arena given as text
  bool map_present = false;  // the arena had value lines (a missing file has none)
  std::string map_text;      // its value lines, one a line, as the match start read them
  std::string arena_name;    // what the player calls it, untranslated
};

// The last match start's.
extern MatchStart match_start;

// The match start reseeded the bows with seed; a start with none leaves the last seed.
void match_start_set_seed(std::uint32_t seed);
void match_start_set_unseeded();
// The sector it played as and the map it read there.
void match_start_set_sector(int sector, const std::string& name);
void match_start_set_map(bool present, const std::string& text);
