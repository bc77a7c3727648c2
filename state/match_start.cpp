// The last match start's inputs, as the described game has them until a match says otherwise.
#include "state/match_start.h"

MatchStart match_start;

void match_start_set_seed(std::uint32_t seed) {
  match_start.seed = seed;
  match_start.seeded = true;
}

void match_start_set_unseeded() {
  match_start.seeded = false;
}

void match_start_set_sector(int sector, const std::string& name) {
  match_start.sector = sector;
  match_start.arena_name = name;
}

void match_start_set_map(bool present, const std::string& text) {
  match_start.map_present = present;
  match_start.map_text = present ? text : std::string();
}
