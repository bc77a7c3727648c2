// The match start's inputs, as the described game has them until a match says otherwise.
#include "state/match_start.h"

MatchStart match_start;

void match_start_set_seed(std::uint32_t seed) {
  match_start.seed = seed;
}

void match_start_set_sector(int sector) {
  match_start.sector = sector;
  match_start.arena_given = false;
  match_start.arena_text.clear();
  match_start.arena_name.clear();
}

void match_start_set_arena(const std::string& name, const std::string& text) {
  match_start.sector = 0;
  match_start.arena_given = true;
  match_start.arena_text = text;
  match_start.arena_name = name;
}
