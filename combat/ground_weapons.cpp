// Bows lying on the ground: random drops during the match, pick-up by touch.
#include "combat/combat.h"
#include "state/game_random.h"
#include "state/ground_plane.h"
#include "state/lybrary3.h"

// One drop attempt: each free entry in turn takes a random bow with probability
// one half; at most one bow is dropped. The generator starts the same in every run,
// so every run drops the same bows.
void g_wepon_ly() {
  for (Sg_wepon& bow : g_wepon) {
    int a = game_rand() % 10;
    if (a > 4) continue;
    if (bow.ly) continue;
    bow.id = game_rand() % 3 + 1;
    bow.x = static_cast<float>(game_rand() % 20);
    bow.y = static_cast<float>(game_rand() % 10);
    bow.z = 0;
    bow.ly = true;
    return;
  }
}

// Hands every bow a player touches to that player; player 1 first.
void g_wepon_control() {
  for (int p = 0; p < PLAYER_RECORDS; p++) {
    if (!player[p].play) continue;
    for (int i = 0; i < GROUND_BOWS; i++) {
      if (g_wepon[i].ly && squares_touch(player[p].x, g_wepon[i].x) &&
          squares_touch(player[p].y, g_wepon[i].y))
        take_item(p, i);
    }
  }
}
