// Whether a building table makes an arena a match can be played on, by the game's own
// walking rule: both starting places free and joined by a path, the two bows every match
// lays outside every building and within a player's reach, and no more buildings than the
// table holds. Each refusal says which rule and where, for whoever shows it to a player.
#pragma once

#include <string>

#include "state/lybrary3.h"

// The two bows every match start lays, at these places.
struct MatchBow {
  float x, y;
};
constexpr MatchBow MATCH_BOWS[2] = {{3.0f, 3.0f}, {15.0f, 9.0f}};

enum ArenaRule {
  ARENA_PLAYABLE,
  ARENA_TOO_MANY_BUILDINGS,  // more records than the table holds (record 0 and 49 walls)
  ARENA_START_COVERED,       // a building stands on a starting place
  ARENA_BOW_COVERED,         // a building stands on a bow the match lays
  ARENA_STARTS_APART,        // no path joins the two starting places
  ARENA_BOW_OUT_OF_REACH     // no player can walk to a bow the match lays
};

struct ArenaVerdict {
  ArenaRule rule = ARENA_PLAYABLE;
  int which = 0;       // the player (1, 2) or the bow (0, 1) the rule is about
  int building = -1;   // the record standing in the way, -1 when no one record is
  float x = 0, y = 0;  // the place the rule is about: a starting place or a bow
};

// Checks count building records as they would stand in the table (record 0 included). The
// game state is borrowed for the walk and put back as it was.
ArenaVerdict arena_check(const Sbuild* buildings, int count);
// What a refusal says to a player, in the texts' language: the rule and where; "" for an
// arena that can be played.
std::string arena_verdict_text(const ArenaVerdict& v);
