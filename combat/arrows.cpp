// Arrows in flight: stops at buildings, bounds and characters, hits on players, movement.
// Tests use the positions from before this frame's move; sums are taken in double.
#include "combat/combat.h"
#include "state/lybrary3.h"

namespace {

// Arrows fly on a while past the walking area.
constexpr float MIN_X = -1, MAX_X = 30, MIN_Y = -1, MAX_Y = 20;

// Whether a point lies in the closed rectangle [x, x + w] x [y, y + h].
bool inside(float px, float py, double x, double y, double w, double h) {
  return x <= px && px <= x + w && y <= py && py <= y + h;
}

bool in_flight(const Splayer::Snaboj& shot) {
  return shot.fly[0] || shot.fly[1] || shot.fly[2];
}

}  // namespace

// Stops player numb's arrows in buildings and beyond the bounds, and lets them kill characters.
void naboj_strel_control(int numb) {
  Splayer& p = player[numb];
  for (Splayer::Snaboj& shot : p.naboj) {
    if (!in_flight(shot)) continue;
    for (int i = 0; i < Build_Max; i++) {
      const Sbuild& b = build[i];
      for (int s = 0; s < SUB_ARROWS; s++)
        if (inside(shot.x[s], shot.y[s], b.x, b.y, b.x2, b.y2)) shot.fly[s] = false;
    }
    for (int s = 0; s < SUB_ARROWS; s++) {
      if (shot.x[s] < MIN_X || shot.x[s] > MAX_X || shot.y[s] < MIN_Y || shot.y[s] > MAX_Y)
        shot.fly[s] = false;
    }
    for (int i = 0; i < NCP_Max; i++) {
      for (int s = 0; s < SUB_ARROWS; s++) {
        if (shot.fly[s] && NCP[i].live && inside(shot.x[s], shot.y[s], NCP[i].x, NCP[i].y, 1, 1)) {
          NCP[i].live = false;
          shot.fly[s] = false;
          p.kill = add_wrapping(p.kill, 1);
        }
      }
    }
  }
}

// Scores every arrow of player numb that lies in a player's square, the shooter's own included.
void kill_another_player(int numb) {
  Splayer& p = player[numb];
  for (Splayer::Snaboj& shot : p.naboj) {
    for (Splayer& target : player) {
      if (!target.play) continue;
      for (int s = 0; s < SUB_ARROWS; s++) {
        if (shot.fly[s] && p.play && inside(shot.x[s], shot.y[s], target.x, target.y, 1, 1)) {
          target.live = false;
          target.death = add_wrapping(target.death, 1);
          shot.fly[s] = false;
          p.kill = add_wrapping(p.kill, 1);
        }
      }
    }
  }
}

// Moves every arrow of player numb still in flight one step along its direction.
void naboj_trajektoria(int numb) {
  for (Splayer::Snaboj& shot : player[numb].naboj) {
    for (int s = 0; s < SUB_ARROWS; s++) {
      if (!shot.fly[s]) continue;
      switch (shot.alpha) {
        case hore: shot.y[s] += r_p; break;
        case doprava: shot.x[s] += r_p; break;
        case dole: shot.y[s] -= r_p; break;
        case dolava: shot.x[s] -= r_p; break;
        default: break;
      }
    }
  }
}
