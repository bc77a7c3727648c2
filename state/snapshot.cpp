// Copies every global a frame can change, and puts them back.
#include "state/snapshot.h"

#include <cstring>

// Every flag of the game but the screens', which are one byte. The window's and the loop's
// marks are not the game's: a state put back leaves them as the window has them now.
static bool* const flags[SNAPSHOT_FLAGS] = {&start, &QNew, &QNastavenia, &QExit,   &QReturn,
                                            &QEnd,  &New,  &Return,      &Exit,    &move,
                                            &Q_1,   &Q_2,  &Q_3,         &NCPfind, &Buildfind};

void snapshot_take(GameSnapshot* s) {
  std::memcpy(s->player, player, sizeof player);
  std::memcpy(s->NCP, NCP, sizeof NCP);
  std::memcpy(s->g_wepon, g_wepon, sizeof g_wepon);
  std::memcpy(s->build, build, sizeof build);
  s->NCP_Max = NCP_Max;
  s->Build_Max = Build_Max;
  s->T_end = T_end;
  s->timer = timer;
  s->key = key;
  s->keep = keep;
  std::memcpy(s->keys, keys, sizeof keys);
  s->r_p = r_p;
  s->p_krok = p_krok;
  s->screens_open = screens_open;
  for (int i = 0; i < SNAPSHOT_FLAGS; i++) s->flags[i] = *flags[i];
  s->random = game_random;
}

void snapshot_put(const GameSnapshot& s) {
  std::memcpy(player, s.player, sizeof player);
  std::memcpy(NCP, s.NCP, sizeof NCP);
  std::memcpy(g_wepon, s.g_wepon, sizeof g_wepon);
  std::memcpy(build, s.build, sizeof build);
  NCP_Max = s.NCP_Max;
  Build_Max = s.Build_Max;
  T_end = s.T_end;
  timer = s.timer;
  key = s.key;
  keep = s.keep;
  std::memcpy(keys, s.keys, sizeof keys);
  r_p = s.r_p;
  p_krok = s.p_krok;
  screens_open = s.screens_open;
  for (int i = 0; i < SNAPSHOT_FLAGS; i++) *flags[i] = s.flags[i];
  game_random = s.random;
}
