// Death and scoring: a hit player goes back to his spawn; ratings are hits given minus taken.
#include "combat/combat.h"
#include "state/lybrary3.h"

// Puts a player who was hit back on his spawn point, within the same frame.
void player_death_control(int numb) {
  Splayer& p = player[numb];
  if (!p.play || p.live || numb < 1 || numb > 2) return;
  p.x = SPAWN[numb].x;
  p.y = SPAWN[numb].y;
  p.live = true;
}

void player_sumary(int numb) {
  player[numb].sumary = sub_wrapping(player[numb].kill, player[numb].death);
}
