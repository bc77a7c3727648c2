// Walking: one whole step at a time, refused when anything would be touched.
// Every bound is closed, so touching counts as running into it. Sums are
// compared in double; only the new position is rounded to float.
#include "state/ground_plane.h"
#include "state/lybrary3.h"
#include "world/world.h"

namespace {

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

// The step toward a facing; none for a facing that is none of the four.
bool step_toward(int alpha, Step* s) {
  switch (alpha) {
    case hore: *s = {false, +1}; return true;
    case dole: *s = {false, -1}; return true;
    case doprava: *s = {true, +1}; return true;
    case dolava: *s = {true, -1}; return true;
    default: return false;
  }
}

// Turns the player and takes the step unless a character, building, player or edge blocks it.
void walk(int numb, int alpha) {
  Splayer& p = player[numb];
  p.alpha = alpha;
  StepBlock block = step_block(numb, alpha);
  if (block.body) NCPfind = true;
  if (block.wall) Buildfind = true;
  Step s{};
  if (NCPfind || Buildfind || !step_toward(alpha, &s)) return;
  float& coord = s.along_x ? p.x : p.y;
  coord = s.sign > 0 ? coord + p_krok : coord - p_krok;
}

}  // namespace

// Every obstacle is tested, also after one has blocked: the causes add up.
StepBlock step_block(int numb, int alpha) {
  StepBlock block = {false, false};
  Step s{};
  if (!step_toward(alpha, &s)) return block;
  const Splayer& p = player[numb];

  for (int i = 0; i < NCP_Max; i++)
    if (touches_square(p, s, NCP[i].x, NCP[i].y) && NCP[i].live) block.body = true;

  for (int i = 0; i < Build_Max; i++) {
    const Sbuild& b = build[i];
    double x_lo = b.x, x_hi = static_cast<double>(b.x) + b.x2;
    double y_lo = b.y, y_hi = static_cast<double>(b.y) + b.y2;
    bool hit =
        s.along_x ? touches(p, s, x_lo, x_hi, y_lo, y_hi) : touches(p, s, y_lo, y_hi, x_lo, x_hi);
    if (hit) block.wall = true;
  }

  for (int j = 0; j < PLAYER_RECORDS; j++)
    if (j != numb && touches_square(p, s, player[j].x, player[j].y) && player[j].play)
      block.body = true;

  double pos = s.along_x ? p.x : p.y;
  if (s.sign > 0 && pos + p_krok > (s.along_x ? FIELD_RIGHT : FIELD_TOP)) block.wall = true;
  if (s.sign < 0 && pos - p_krok < (s.along_x ? FIELD_LEFT : FIELD_BOTTOM)) block.wall = true;
  return block;
}

bool on_field(double x, double y) {
  return FIELD_LEFT <= x && x <= FIELD_RIGHT && FIELD_BOTTOM <= y && y <= FIELD_TOP;
}

void player_hore(int numb) {
  walk(numb, hore);
}
void player_dole(int numb) {
  walk(numb, dole);
}
void player_doprava(int numb) {
  walk(numb, doprava);
}
void player_dolava(int numb) {
  walk(numb, dolava);
}
