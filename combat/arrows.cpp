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

bool in_building(float x, float y) {
  for (int i = 0; i < Build_Max; i++)
    if (inside(x, y, build[i].x, build[i].y, build[i].x2, build[i].y2)) return true;
  return false;
}

bool past_bounds(float x, float y) {
  return x < MIN_X || x > MAX_X || y < MIN_Y || y > MAX_Y;
}

// One move of an arrow along its direction; none for a direction that is none of the four.
void fly_on(float& x, float& y, int alpha) {
  switch (alpha) {
    case hore: y += r_p; break;
    case doprava: x += r_p; break;
    case dole: y -= r_p; break;
    case dolava: x -= r_p; break;
    default: break;
  }
}

// More moves than any flight across the bounds takes at the smallest step a level sets.
constexpr int LONGEST_FLIGHT = 4000;

}  // namespace

bool arrow_stops(float x, float y) {
  if (in_building(x, y) || past_bounds(x, y)) return true;
  for (int i = 0; i < NCP_Max; i++)
    if (NCP[i].live && inside(x, y, NCP[i].x, NCP[i].y, 1, 1)) return true;
  return false;
}

// Follows the arrow through the update's order: stops first, then the hit, then the move.
int arrow_moves_to(float x, float y, int alpha, float tx, float ty) {
  for (int moves = 0; moves <= LONGEST_FLIGHT; moves++) {
    if (arrow_stops(x, y)) return -1;
    if (inside(x, y, tx, ty, 1, 1)) return moves;
    bool passed = (alpha == hore && y > ty + 1.0) || (alpha == dole && y < ty) ||
                  (alpha == doprava && x > tx + 1.0) || (alpha == dolava && x < tx);
    float was_x = x, was_y = y;
    fly_on(x, y, alpha);
    if (passed || (x == was_x && y == was_y)) return -1;
  }
  return -1;
}

// Stops player numb's arrows in buildings and beyond the bounds, and lets them kill characters.
void naboj_strel_control(int numb) {
  Splayer& p = player[numb];
  for (Splayer::Snaboj& shot : p.naboj) {
    if (!in_flight(shot)) continue;
    for (int s = 0; s < SUB_ARROWS; s++)
      if (in_building(shot.x[s], shot.y[s]) || past_bounds(shot.x[s], shot.y[s]))
        shot.fly[s] = false;
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
      if (shot.fly[s]) fly_on(shot.x[s], shot.y[s], shot.alpha);
    }
  }
}
