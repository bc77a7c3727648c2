// How the last match went, for the end screen: each side's arrow hits, sword hits and
// shots, and how long the match ran. Counted from what each step changed, as the sounds
// are, so a recording, the computer and both online games count alike. It lies outside
// the described game state: the dump, the snapshot and the state hash leave it out.
#pragma once

#include "flow/sound_events.h"
#include "state/lybrary3.h"

struct MatchStats {
  int arrow_hits[PLAYER_RECORDS];
  int sword_hits[PLAYER_RECORDS];
  int shots[PLAYER_RECORDS];
  float length;  // clock units the match ran, read at its end (the clock then goes to 0)
};

extern MatchStats match_stats;

// A match starts: nothing counted yet.
void match_stats_reset();
// One step of play, from the watches taken before and after it.
void match_stats_count(const SoundWatch& before, const SoundWatch& after);
// Arrow hits per shot, in per cent; 0 with no shot.
int match_accuracy(int numb);
// Clock units the match ran, whole (0 for a clock no match reaches).
int match_units();
// Seconds of game time the match ran: 30 clock units a second at every speed level.
int match_seconds();
