// Puts every global back to its start-up value, then into a running match.
#pragma once

#include "combat/combat.h"
#include "core/game.h"
#include "core/lybrary3.h"

inline void fresh_globals() {
  for (Splayer& p : player) p = {};
  for (SNPC& c : NCP) c = {};
  for (Sg_wepon& g : g_wepon) g = {};
  for (Sbuild& b : build) b = {};
  NCP_Max = Build_Max = 0;
  timer = {};
  key = keep = {};
  for (bool& k : keys) k = false;
  r_p = 0.02f;
  p_krok = r_p * 0.1f;
  active = start = true;
  Start_Menu = Menu = Help = Info = Nastavenia = New_Nastavenia = End = false;
  QNew = QNastavenia = QExit = QReturn = QEnd = New = Return = Exit = move = false;
  Q_1 = Q_2 = Q_3 = NCPfind = Buildfind = done = false;
}

// A match in play with both players on their spawns and no buildings.
inline void fresh_match() {
  fresh_globals();
  start = false;
  New_game_set();
  move = true;
  player_death_control(1);
  player_death_control(2);
}

// Gives player numb a bow of the given type in slot 0, selected and in hand.
inline void arm(int numb, int id) {
  g_wepon[5] = {nullptr, player[numb].x, player[numb].y, 0, id, true};
  take_item(numb, 5);
}
