// The computer opponent's picture of the arena. The lattice and its walking distances
// are worked out once per arena (a match start, or a building table that changed) and
// are then looked up, so a frame's decisions cost next to nothing.
#include "bot/arena.h"

#include <cmath>
#include <cstring>

#include "state/lybrary3.h"

namespace {

// Everything the lattice depends on, to notice when it changed.
struct ArenaPrint {
  int builds;
  int box[BUILD_RECORDS][4];
  int characters;
  float character[NCP_RECORDS][2];
  int alive[NCP_RECORDS];
};

ArenaPrint known;
bool known_valid;
bool free_place[PLACES];
unsigned char steps[PLACES][PLACES];
// Each place's walkable neighbours, worked out once per arena.
int exits[PLACES][8];
int exit_count[PLACES];

int clamp(int v, int lo, int hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

void take_print(ArenaPrint* p) {
  std::memset(p, 0, sizeof *p);
  p->builds = clamp(Build_Max, 0, BUILD_RECORDS);
  for (int i = 0; i < p->builds; i++) {
    p->box[i][0] = build[i].x;
    p->box[i][1] = build[i].y;
    p->box[i][2] = build[i].x2;
    p->box[i][3] = build[i].y2;
  }
  p->characters = clamp(NCP_Max, 0, NCP_RECORDS);
  for (int i = 0; i < p->characters; i++) {
    p->character[i][0] = NCP[i].x;
    p->character[i][1] = NCP[i].y;
    p->alive[i] = NCP[i].live;
  }
}

// Whether the table still holds what the print was taken from.
bool print_holds(const ArenaPrint& p) {
  if (p.builds != clamp(Build_Max, 0, BUILD_RECORDS)) return false;
  if (p.characters != clamp(NCP_Max, 0, NCP_RECORDS)) return false;
  for (int i = 0; i < p.builds; i++) {
    const int* b = p.box[i];
    if (b[0] != build[i].x || b[1] != build[i].y || b[2] != build[i].x2 || b[3] != build[i].y2)
      return false;
  }
  for (int i = 0; i < p.characters; i++)
    if (std::memcmp(p.character[i], &NCP[i].x, sizeof p.character[i]) || p.alive[i] != NCP[i].live)
      return false;
  return true;
}

// A player's corner at (x, y) touches nothing that stands still. Buildings of no width or
// depth are left out: a step meets them only when it lands exactly on their line.
bool corner_clear(double x, double y) {
  for (int i = 0; i < known.builds; i++) {
    const int* b = known.box[i];
    if (b[2] < 1 || b[3] < 1) continue;
    if (x >= b[0] - 1.0 && x <= double(b[0]) + b[2] && y >= b[1] - 1.0 && y <= double(b[1]) + b[3])
      return false;
  }
  for (int i = 0; i < known.characters; i++) {
    if (!known.alive[i]) continue;
    double cx = known.character[i][0], cy = known.character[i][1];
    if (x >= cx - 1 && x <= cx + 1 && y >= cy - 1 && y <= cy + 1) return false;
  }
  return true;
}

constexpr int STEP_X[8] = {0, 0, 1, -1, 1, 1, -1, -1};
constexpr int STEP_Y[8] = {1, -1, 0, 0, 1, -1, 1, -1};

// The place one lattice step from n in direction k, or -1 when it cannot be walked to:
// off the lattice, not free, or a diagonal that would cut a wall's corner.
int neighbour(int n, int k) {
  int i = n % LATTICE_W + STEP_X[k], j = n / LATTICE_W + STEP_Y[k];
  if (i < 0 || i >= LATTICE_W || j < 0 || j >= LATTICE_H) return -1;
  int m = j * LATTICE_W + i;
  if (!free_place[m]) return -1;
  if (k >= 4 &&
      (!free_place[j * LATTICE_W + n % LATTICE_W] || !free_place[(n / LATTICE_W) * LATTICE_W + i]))
    return -1;
  return m;
}

// Walking distances from one place to every other.
void spread_from(int from) {
  unsigned char* row = steps[from];
  std::memset(row, UNREACHABLE, PLACES);
  if (!free_place[from]) return;
  static int queue[PLACES];
  int head = 0, tail = 0;
  row[from] = 0;
  queue[tail++] = from;
  while (head < tail) {
    int n = queue[head++];
    for (int k = 0; k < exit_count[n]; k++) {
      int m = exits[n][k];
      if (row[m] != UNREACHABLE) continue;
      row[m] = static_cast<unsigned char>(row[n] + 1);
      queue[tail++] = m;
    }
  }
}

bool inside(double v, double lo, double hi) {
  return lo <= v && v <= hi;
}

}  // namespace

void arena_forget() {
  known_valid = false;
}

bool arena_refresh() {
  if (known_valid && print_holds(known)) return false;
  take_print(&known);
  known_valid = true;
  for (int n = 0; n < PLACES; n++) free_place[n] = corner_clear(place_x(n), place_y(n));
  for (int n = 0; n < PLACES; n++) {
    exit_count[n] = 0;
    for (int k = 0; k < 8 && free_place[n]; k++)
      if (neighbour(n, k) >= 0) exits[n][exit_count[n]++] = neighbour(n, k);
  }
  for (int n = 0; n < PLACES; n++) spread_from(n);
  return true;
}

bool spot_clear(double x, double y) {
  return x >= -0.5 && x <= 20 && y >= 0 && y <= 11 && corner_clear(x, y);
}

bool place_free(int n) {
  return n >= 0 && n < PLACES && free_place[n];
}

int walk_steps(int from, int to) {
  if (from < 0 || to < 0) return UNREACHABLE;
  return steps[from][to];
}

int place_near(float x, float y) {
  if (!(x > -1e3f && x < 1e3f && y > -1e3f && y < 1e3f)) return -1;
  // the nearest lattice place, when free, is the answer nearly always
  int i0 = static_cast<int>(std::floor(x + 1.0f)), j0 = static_cast<int>(std::floor(y));
  if (i0 >= 0 && i0 < LATTICE_W && j0 >= 0 && j0 < LATTICE_H && free_place[j0 * LATTICE_W + i0])
    return j0 * LATTICE_W + i0;
  int best = -1;
  double best_d = 1e9;
  for (int j = j0 - 1; j <= j0 + 1; j++)
    for (int i = i0 - 1; i <= i0 + 1; i++) {
      if (i < 0 || i >= LATTICE_W || j < 0 || j >= LATTICE_H) continue;
      int n = j * LATTICE_W + i;
      if (!free_place[n]) continue;
      double dx = place_x(n) - x, dy = place_y(n) - y, d = dx * dx + dy * dy;
      if (d < best_d) best = n, best_d = d;
    }
  return best;
}

int next_place(int from, int to) {
  if (from < 0 || to < 0 || from == to || steps[from][to] == UNREACHABLE) return from;
  int want = steps[from][to] - 1, best = from;
  double best_score = -1e9;
  double gx = place_x(to) - place_x(from), gy = place_y(to) - place_y(from);
  for (int k = 0; k < 8; k++) {
    int m = neighbour(from, k);
    if (m < 0 || steps[m][to] != want) continue;
    // among the shortest ways, the one heading most straight at the goal
    double score = STEP_X[k] * gx + STEP_Y[k] * gy;
    if (score > best_score) best = m, best_score = score;
  }
  return best;
}

Block step_block(int numb, int d) {
  const Splayer& p = player[numb];
  bool along_x = d == GO_RIGHT || d == GO_LEFT;
  bool forward = d == GO_UP || d == GO_RIGHT;
  double pos = along_x ? p.x : p.y;
  double lead = forward ? pos + p_krok + 1 : pos - p_krok;
  double side = along_x ? p.y : p.x;
  auto touches = [&](double lo, double hi, double a, double b) {
    return lead >= lo && hi >= lead && (inside(side, a, b) || inside(side + 1, a, b));
  };
  auto square = [&](float x, float y) {
    double lo = along_x ? x : y, a = along_x ? y : x;
    return touches(lo, lo + 1, a, a + 1);
  };
  Block block = FREE;
  for (int i = 0; i < clamp(NCP_Max, 0, NCP_RECORDS); i++)
    if (NCP[i].live && square(NCP[i].x, NCP[i].y)) block = BODY;
  for (int j = 0; j < PLAYER_RECORDS; j++)
    if (j != numb && player[j].play && square(player[j].x, player[j].y)) block = BODY;
  for (int i = 0; i < clamp(Build_Max, 0, BUILD_RECORDS); i++) {
    const Sbuild& b = build[i];
    double x_lo = b.x, x_hi = double(b.x) + b.x2, y_lo = b.y, y_hi = double(b.y) + b.y2;
    if (along_x ? touches(x_lo, x_hi, y_lo, y_hi) : touches(y_lo, y_hi, x_lo, x_hi)) block = WALL;
  }
  if (forward && pos + p_krok > (along_x ? 20.0 : 11.0)) block = WALL;
  if (!forward && pos - p_krok < (along_x ? -0.5 : 0.0)) block = WALL;
  return block;
}

namespace {

// Where each pattern's flying arrows start, from the shooter's corner, by facing (up,
// right, down, left). Type 1 fires one arrow, 2 two in a row, 3 two side by side, 4 three.
struct Offset {
  float dx, dy;
};
struct Pattern {
  int count;
  Offset at[4][3];
};
const Pattern PATTERNS[4] = {
    {1, {{{0, 1.1f}}, {{1.1f, 0}}, {{0, -0.1f}}, {{-0.1f, 0}}}},
    {2,
     {{{0.2f, 1.2f}, {0.2f, 2.2f}},
      {{1.2f, 0}, {2.2f, 0}},
      {{0.2f, -0.2f}, {0.2f, -1.2f}},
      {{-0.2f, 0.2f}, {-1.2f, 0.2f}}}},
    {2,
     {{{-0.2f, 1.1f}, {0.2f, 1.1f}},
      {{1.1f, -0.2f}, {1.1f, 0.5f}},
      {{-0.2f, -0.1f}, {0.5f, -0.1f}},
      {{-0.1f, -0.2f}, {-0.1f, 0.5f}}}},
    {3,
     {{{-0.2f, 1.1f}, {0, 1.1f}, {0.2f, 1.1f}},
      {{1.1f, -0.2f}, {1.1f, 0}, {1.1f, 0.2f}},
      {{-0.2f, -0.1f}, {0, -0.1f}, {0.2f, -0.1f}},
      {{-0.1f, -0.2f}, {-0.1f, 0}, {-0.1f, 0.2f}}}},
};

}  // namespace

int launched_arrows(int id, int alpha, float x, float y, float ax[3], float ay[3]) {
  if (alpha % 90 != 0 || alpha < 0 || alpha > 270) return 0;
  const Pattern& p = PATTERNS[id >= 1 && id <= 4 ? id - 1 : 0];
  const Offset* at = p.at[alpha / 90];
  for (int k = 0; k < p.count; k++) {
    ax[k] = x + at[k].dx;
    ay[k] = y + at[k].dy;
  }
  return p.count;
}

bool arrow_line_clear(float ax, float ay, int alpha, double to) {
  bool along_x = alpha == doprava || alpha == dolava;
  double from = along_x ? ax : ay, cross = along_x ? ay : ax;
  double lo = from < to ? from : to, hi = from < to ? to : from;
  for (int i = 0; i < clamp(Build_Max, 0, BUILD_RECORDS); i++) {
    const Sbuild& b = build[i];
    if (b.x2 < 0 || b.y2 < 0) continue;
    double x_lo = b.x, x_hi = double(b.x) + b.x2, y_lo = b.y, y_hi = double(b.y) + b.y2;
    double a_lo = along_x ? x_lo : y_lo, a_hi = along_x ? x_hi : y_hi;
    double c_lo = along_x ? y_lo : x_lo, c_hi = along_x ? y_hi : x_hi;
    if (inside(cross, c_lo, c_hi) && a_lo <= hi && a_hi >= lo) return false;
  }
  for (int i = 0; i < clamp(NCP_Max, 0, NCP_RECORDS); i++) {
    if (!NCP[i].live) continue;
    double a_lo = along_x ? NCP[i].x : NCP[i].y, c_lo = along_x ? NCP[i].y : NCP[i].x;
    if (inside(cross, c_lo, c_lo + 1) && a_lo <= hi && a_lo + 1 >= lo) return false;
  }
  return true;
}

int shot_hits(int id, int alpha, float x, float y, double tx, double ty, double margin) {
  float ax[3], ay[3];
  int n = launched_arrows(id, alpha, x, y, ax, ay);
  bool along_x = alpha == doprava || alpha == dolava;
  bool forward = alpha == hore || alpha == doprava;
  double t_along = along_x ? tx : ty, t_cross = along_x ? ty : tx;
  int hits = 0;
  for (int k = 0; k < n; k++) {
    double a = along_x ? ax[k] : ay[k], c = along_x ? ay[k] : ax[k];
    if (c < t_cross + margin || c > t_cross + 1 - margin) continue;
    if (forward ? a > t_along + 1 : a < t_along) continue;  // already past him
    double near_side = forward ? t_along : t_along + 1;
    bool there = inside(a, t_along, t_along + 1);
    if (there || arrow_line_clear(ax[k], ay[k], alpha, near_side)) hits++;
  }
  return hits;
}

double arrow_gap(const Splayer::Snaboj& shot, int k, double tx, double ty, double slack) {
  if (!shot.fly[k] || shot.alpha % 90 || shot.alpha < 0 || shot.alpha > 270) return -1;
  bool along_x = shot.alpha == doprava || shot.alpha == dolava;
  bool forward = shot.alpha == hore || shot.alpha == doprava;
  double a = along_x ? shot.x[k] : shot.y[k], c = along_x ? shot.y[k] : shot.x[k];
  double t_along = along_x ? tx : ty, t_cross = along_x ? ty : tx;
  if (c < t_cross - slack || c > t_cross + 1 + slack) return -1;
  if (forward ? a > t_along + 1 : a < t_along) return -1;
  double near_side = forward ? t_along : t_along + 1;
  if (!arrow_line_clear(shot.x[k], shot.y[k], shot.alpha, near_side)) return -1;
  return std::fabs(near_side - a);
}

bool sword_reaches(int numb, int alpha, float tx, float ty) {
  const Splayer& a = player[numb];
  struct {
    float x, y;
  } b = {tx, ty};
  float r = p_krok + 0.1f;
  auto overlap = [](double own, double other) {
    return inside(own, other, other + 1) || inside(own + 1, other, other + 1);
  };
  switch (alpha) {
    case hore: return inside(a.y + 1.0 + r, b.y, b.y + 1.0) && overlap(a.x, b.x);
    case doprava: return inside(a.x + 1.0 + r, b.x, b.x + 1.0) && overlap(a.y, b.y);
    case dole: return inside(a.y - double(r), b.y, b.y + 1.0) && overlap(a.x, b.x);
    case dolava: return inside(a.x - double(r), b.x, b.x + 1.0) && overlap(a.y, b.y);
  }
  return false;
}
