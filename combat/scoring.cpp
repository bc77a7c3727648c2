// Death and scoring: a hit player goes back to his spawn; ratings are hits given minus taken.
#include "combat/combat.h"
#include "state/lybrary3.h"

// Puts a player who was hit back on his spawn point, within the same frame.
void player_death_control(int numb) {
  Splayer& p = player[numb];
  if (!p.play || p.live) return;
  if (numb == 1) {
    p.x = 0;
    p.y = 0;
    p.live = true;
  } else if (numb == 2) {
    p.x = 19.5f;
    p.y = 10.5f;
    p.live = true;
  }
}

void player_sumary(int numb) {
  player[numb].sumary = sub_wrapping(player[numb].kill, player[numb].death);
}
