// Match setup and the match clock.
#include "combat/combat.h"
#include "flow/arena_check.h"
#include "flow/flag_grid.h"
#include "flow/game.h"
#include "flow/match_stats.h"
#include "state/lybrary3.h"

namespace {

// Lays a bow of the given type on the ground.
void lay_bow(Sg_wepon& bow, int id, float x, float y) {
  bow.id = id;
  bow.x = x;
  bow.y = y;
  bow.z = 0;
  bow.ly = true;
}

// Empties one player's slots, shot records and hand.
void clear_arms(Splayer& p) {
  p.show.id = -1;
  for (Splayer::Sin& slot : p.in) {
    slot.id = 0;
    slot.have = false;
    set_arrows(slot, false, SLOT_ARROWS);
  }
  for (Splayer::Snaboj& shot : p.naboj) {
    shot.alpha = 0;
    for (int b = 0; b < SUB_ARROWS; b++) {
      shot.x[b] = shot.y[b] = shot.z[b] = 0;
      shot.fly[b] = false;
    }
  }
  p.wepon.id = 0;
  set_arrows(p.wepon, false);
}

}  // namespace

// Resets everything a match owns; the first update then puts both players on their spawns.
void New_game_set() {
  player[1].name = "player1";
  player[2].name = "player2";
  player[1].alpha = hore;
  player[1].mapa = 1;
  player[1].x = player[1].y = player[1].z = 0;
  player[1].show.id = -1;
  for (Splayer& p : player) p.live = false;
  player[0].play = false;
  player[1].play = true;
  player[2].play = true;
  // Every match starts at 0 : 0.
  for (int numb = 1; numb <= 2; numb++) {
    player[numb].kill = 0;
    player[numb].death = 0;
    player[numb].sumary = 0;
  }
  lay_bow(g_wepon[0], 1, MATCH_BOWS[0].x, MATCH_BOWS[0].y);
  lay_bow(g_wepon[1], 1, MATCH_BOWS[1].x, MATCH_BOWS[1].y);
  timer.time = 0;
  timer.hranica = 0;
  NCP[0].live = false;
  for (Splayer& p : player) clear_arms(p);
}

// Advances the clock; drops a bow every 200 units; ends a decided match after 5000.
void clock_step() {
  if (timer.time > timer.hranica) {
    g_wepon_ly();
    timer.hranica += 200;
  }
  timer.time += r_p * 0.5f;
  if (timer.time > T_end && player[1].sumary != player[2].sumary) {
    match_stats.length = timer.time;
    timer.time = 0;
    timer.hranica = 0;
    End = true;
    flag_grid_set_rows(-1.5);
  }
}
