// The sword: one stroke, tested at once against every other player in play.
#include "combat/combat.h"
#include "state/ground_plane.h"
#include "state/lybrary3.h"

bool sword_reaches(int numb, int alpha, float tx, float ty) {
  const Splayer& a = player[numb];
  float r = p_krok + 0.1f;
  switch (alpha) {
    case hore: {
      double f = a.y + 1.0 + r;
      return ty <= f && f <= ty + 1.0 && squares_touch(a.x, tx);
    }
    case doprava: {
      double f = a.x + 1.0 + r;
      return tx <= f && f <= tx + 1.0 && squares_touch(a.y, ty);
    }
    case dole: {
      double f = static_cast<double>(a.y) - r;
      return ty <= f && f <= ty + 1.0 && squares_touch(a.x, tx);
    }
    case dolava: {
      double f = static_cast<double>(a.x) - r;
      return tx <= f && f <= tx + 1.0 && squares_touch(a.y, ty);
    }
    default: return false;
  }
}

bool sword_in_hand(const Splayer& p) {
  return p.show.id == -1 || p.wepon.id == 0;
}

// Strikes whoever stands right in front of player numb, within p_krok + 0.1.
void player_mec(int numb) {
  Splayer& a = player[numb];
  for (int t = 0; t < PLAYER_RECORDS; t++) {
    if (t == numb || !player[t].play) continue;
    Splayer& target = player[t];
    if (sword_reaches(numb, a.alpha, target.x, target.y)) {
      a.kill = add_wrapping(a.kill, 1);
      target.death = add_wrapping(target.death, 1);
      target.live = false;
    }
  }
}
