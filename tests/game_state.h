// Where the tests put the game's state before they start: as the game starts up, and with
// no screen up, nothing requested and no key down.
#pragma once

#include "flow/flag_grid.h"
#include "flow/game.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"

// The state right after the game's own start-up, its flag laid out; taken on the first call.
inline const GameSnapshot& startup_state() {
  static const GameSnapshot startup = [] {
    GameSnapshot taken;
    game_startup_request();
    flag_grid_init();
    snapshot_take(&taken);
    return taken;
  }();
  return startup;
}

// The start-up state put back, with the window shown and open and the flag as laid out: a
// game just started, whatever the last test left.
inline void put_startup_state() {
  snapshot_put(startup_state());
  flag_grid_init();
  wiggle_count = 0;
  active = fullscreen = true;
  done = false;
}

// Puts every screen flag, request and key back to false.
inline void reset_screen_flags() {
  screens_open = 0;  // every screen closed
  start = false;
  QNew = QNastavenia = QExit = QReturn = QEnd = false;
  New = Return = Exit = move = false;
  Q_1 = Q_2 = Q_3 = false;
  for (bool& k : keys) k = false;
  key = keep = Skey{};
}
