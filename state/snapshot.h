// The whole game state copied aside and put back: every global a frame can change, and the
// bow drops' generator. The window's marks (loop_marks.h) and the flag's wave, which belong
// to the window and the picture, are not in it. Two games kept in one process take turns through
// this (the session tests), and a fuzz target starts each input from the start-up state with it.
#pragma once

#include "state/game_random.h"
#include "state/lybrary3.h"

constexpr int SNAPSHOT_FLAGS = 15;

struct GameSnapshot {
  Splayer player[PLAYER_RECORDS];
  SNPC NCP[NCP_RECORDS];
  Sg_wepon g_wepon[GROUND_BOWS];
  Sbuild build[BUILD_RECORDS];
  int NCP_Max, Build_Max, T_end;
  Stimer timer;
  Skey key, keep;
  bool keys[KEY_CODES];
  float r_p, p_krok;
  std::uint8_t screens_open;
  bool flags[SNAPSHOT_FLAGS];
  Sgame_random random;
};

void snapshot_take(GameSnapshot* s);
void snapshot_put(const GameSnapshot& s);
