// The sword: one stroke, tested at once against every other player in play.
#include "combat/combat.h"
#include "state/ground_plane.h"
#include "state/lybrary3.h"

// Strikes whoever stands right in front of player numb, within p_krok + 0.1.
void player_mec(int numb) {
  Splayer& a = player[numb];
  float r = p_krok + 0.1f;
  for (int t = 0; t < PLAYER_RECORDS; t++) {
    if (t == numb || !player[t].play) continue;
    Splayer& target = player[t];
    bool hit;
    switch (a.alpha) {
      case hore: {
        double f = a.y + 1.0 + r;
        hit = target.y <= f && f <= target.y + 1.0 && squares_touch(a.x, target.x);
        break;
      }
      case doprava: {
        double f = a.x + 1.0 + r;
        hit = target.x <= f && f <= target.x + 1.0 && squares_touch(a.y, target.y);
        break;
      }
      case dole: {
        double f = static_cast<double>(a.y) - r;
        hit = target.y <= f && f <= target.y + 1.0 && squares_touch(a.x, target.x);
        break;
      }
      case dolava: {
        double f = static_cast<double>(a.x) - r;
        hit = target.x <= f && f <= target.x + 1.0 && squares_touch(a.y, target.y);
        break;
      }
      default: hit = false; break;
    }
    if (hit) {
      a.kill = add_wrapping(a.kill, 1);
      target.death = add_wrapping(target.death, 1);
      target.live = false;
    }
  }
}
