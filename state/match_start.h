// What a match starts from besides the state: the bows' seed, the sector and the arena's
// text and name. The match start fills it as it happens; a recording carries it from its
// start, and online play agrees on it, so a match runs again the same everywhere.
#pragma once

#include <cstdint>
#include <string>

struct MatchStart {
  std::uint32_t seed = 1;    // the bows' generator's seed (1: never seeded, as described)
  int sector = 1;            // s_N.txt; 0 for an arena given as text
  bool arena_given = false;  // the arena comes as text, not from a sector's file
  std::string arena_text;    // its value lines, when given
  std::string arena_name;    // what the player calls it ("" for a sector's own)
};

extern MatchStart match_start;

void match_start_set_seed(std::uint32_t seed);
void match_start_set_sector(int sector);
void match_start_set_arena(const std::string& name, const std::string& text);
