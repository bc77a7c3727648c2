// Walking: one whole step at a time, refused when anything would be touched.
// Every bound is closed, so touching counts as running into it. Sums are
// compared in double; only the new position is rounded to float.
#include "state/ground_plane.h"
#include "state/lybrary3.h"
#include "world/world.h"

namespace {

// The walking area's limits for the player's lower-left corner.
constexpr double LEFT_EDGE = -0.5;
constexpr double RIGHT_EDGE = 20.0;
constexpr double BOTTOM_EDGE = 0.0;
constexpr double TOP_EDGE = 11.0;

// One step along x (across = y) or along y (across = x).
struct Step {
  bool along_x;
  int sign;  // +1 right or up, -1 left or down
};

// The moving player's leading side after the step.
double leading_side(const Splayer& p, Step s) {
  double pos = s.along_x ? p.x : p.y;
  return s.sign > 0 ? pos + p_krok + 1 : pos - p_krok;
}

// Whether an obstacle spanning [lo, hi] along the step and [a, b] across it
// would be touched by the step.
bool touches(const Splayer& p, Step s, double lo, double hi, double a, double b) {
  double lead = leading_side(p, s);
  double side = s.along_x ? p.y : p.x;
  bool ahead = lead >= lo && hi >= lead;
  return ahead && side_within(side, a, b);
}

// A unit square at (x, y) seen from the moving player.
bool touches_square(const Splayer& p, Step s, float x, float y) {
  double lo = s.along_x ? x : y;
  double a = s.along_x ? y : x;
  return touches(p, s, lo, lo + 1, a, a + 1);
}

// Turns the player and takes the step unless a character, building, player or edge blocks it.
void walk(int numb, Step s, int alpha) {
  Splayer& p = player[numb];
  p.alpha = alpha;

  for (int i = 0; i < NCP_Max; i++)
    if (touches_square(p, s, NCP[i].x, NCP[i].y) && NCP[i].live) NCPfind = true;

  for (int i = 0; i < Build_Max; i++) {
    const Sbuild& b = build[i];
    double x_lo = b.x, x_hi = static_cast<double>(b.x) + b.x2;
    double y_lo = b.y, y_hi = static_cast<double>(b.y) + b.y2;
    bool hit =
        s.along_x ? touches(p, s, x_lo, x_hi, y_lo, y_hi) : touches(p, s, y_lo, y_hi, x_lo, x_hi);
    if (hit) Buildfind = true;
  }

  for (int j = 0; j < PLAYER_RECORDS; j++)
    if (j != numb && touches_square(p, s, player[j].x, player[j].y) && player[j].play)
      NCPfind = true;

  double pos = s.along_x ? p.x : p.y;
  if (s.sign > 0 && pos + p_krok > (s.along_x ? RIGHT_EDGE : TOP_EDGE)) Buildfind = true;
  if (s.sign < 0 && pos - p_krok < (s.along_x ? LEFT_EDGE : BOTTOM_EDGE)) Buildfind = true;

  if (NCPfind || Buildfind) return;
  float& coord = s.along_x ? p.x : p.y;
  coord = s.sign > 0 ? coord + p_krok : coord - p_krok;
}

}  // namespace

void player_hore(int numb) {
  walk(numb, {false, +1}, hore);
}
void player_dole(int numb) {
  walk(numb, {false, -1}, dole);
}
void player_doprava(int numb) {
  walk(numb, {true, +1}, doprava);
}
void player_dolava(int numb) {
  walk(numb, {true, -1}, dolava);
}
