// The computer opponent's picture of the arena. The lattice and its walking distances
// are worked out once per arena (a match start, or a building table that changed) and
// are then looked up, so a frame's decisions cost next to nothing.
#include "bot/arena.h"

#include <cmath>
#include <cstring>

#include "combat/combat.h"
#include "state/lybrary3.h"
#include "world/world.h"

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
  return on_field(x, y) && corner_clear(x, y);
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

Block blocked_by(int numb, int d) {
  StepBlock block = step_block(numb, DIRECTION_FACING[d]);
  return block.wall ? WALL : block.body ? BODY : FREE;
}

int shot_hits(int id, int alpha, float x, float y, double tx, double ty, double margin) {
  float ax[SUB_ARROWS], ay[SUB_ARROWS];
  int n = launched_arrows(id, alpha, x, y, ax, ay);
  bool along_x = alpha == doprava || alpha == dolava;
  double t_cross = along_x ? ty : tx;
  int hits = 0;
  for (int k = 0; k < n; k++) {
    double c = along_x ? ay[k] : ax[k];
    if (c < t_cross + margin || c > t_cross + 1 - margin) continue;
    if (arrow_moves_to(ax[k], ay[k], alpha, static_cast<float>(tx), static_cast<float>(ty)) >= 0)
      hits++;
  }
  return hits;
}

bool hits_once(int id, int alpha, float x, float y, double tx, double ty, float hx, float hy,
               bool alone) {
  float ax[SUB_ARROWS], ay[SUB_ARROWS];
  int n = launched_arrows(id, alpha, x, y, ax, ay), moves[SUB_ARROWS], first = -1, together = 0;
  for (int k = 0; k < n; k++) {
    moves[k] = arrow_moves_to(ax[k], ay[k], alpha, static_cast<float>(tx), static_cast<float>(ty));
    if (moves[k] >= 0 && (first < 0 || moves[k] < first)) first = moves[k];
  }
  for (int k = 0; k < n; k++) together += moves[k] == first;
  if (first < 0) return true;
  if (alone && together > 1) return false;
  // the arrows that missed him, or came later, fly on toward where he was put back
  for (int k = 0; k < n; k++)
    if (moves[k] != first && arrow_moves_to(ax[k], ay[k], alpha, hx, hy) > first) return false;
  return true;
}

double arrow_gap(const Splayer::Snaboj& shot, int k, double tx, double ty, double slack) {
  if (!shot.fly[k]) return -1;
  bool along_x = shot.alpha == doprava || shot.alpha == dolava;
  bool forward = shot.alpha == hore || shot.alpha == doprava;
  float a = along_x ? shot.x[k] : shot.y[k], c = along_x ? shot.y[k] : shot.x[k];
  double t_along = along_x ? tx : ty, t_cross = along_x ? ty : tx;
  if (c < t_cross - slack || c > t_cross + 1 + slack) return -1;
  // a square widened across the flight is met where one across the arrow's line is
  float cross = t_cross > c ? c : t_cross + 1 < c ? c - 0.5f : static_cast<float>(t_cross);
  float fx = along_x ? static_cast<float>(tx) : cross,
        fy = along_x ? cross : static_cast<float>(ty);
  if (arrow_moves_to(shot.x[k], shot.y[k], shot.alpha, fx, fy) < 0) return -1;
  double near_side = forward ? t_along : t_along + 1;
  return std::fabs(near_side - a);
}
