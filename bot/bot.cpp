// The computer opponent's decisions, one frame at a time. It looks at the field now and
// then (how often is its reaction time), picks what to walk to (a bow, a place in line with
// the other archer, or the archer himself), and in every frame presses the keys that walk
// it there, line it up, turn it, shoot or strike, change bows and step out of the way of
// arrows. Every plan is in map units; frames follow from the level's step size, so it
// plays the same at every speed level.
#include "bot/bot.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "bot/arena.h"
#include "combat/combat.h"
#include "flow/game.h"
#include "flow/step_clock.h"
#include "state/bindings.h"
#include "state/game_random.h"
#include "state/ground_plane.h"
#include "state/lybrary3.h"

namespace {

enum { KEY_UP, KEY_DOWN, KEY_RIGHT, KEY_LEFT, KEY_ATTACK, KEY_SWITCH, PLAYER_KEYS };

// The binding table's action for each of the computer's keys.
const Action ACTION_OF[PLAYER_KEYS] = {ACTION_UP,   ACTION_DOWN, ACTION_RIGHT,
                                       ACTION_LEFT, ACTION_USE,  ACTION_CHANGE};

// How a level plays. Lengths are map units walked, so each means the same time at every
// speed level.
struct Style {
  float look_every;  // walked between two looks at the field: the reaction time
  float aim_margin;  // how far inside the target's square its arrows must fly
  float aim_error;   // how far from his middle it lines up
  float rest;        // seconds it leaves a player it has just hit alone at his starting
                     // place, so he has a moment to get away: a person would not camp there
  bool leads;        // aims where a walking archer will be when the arrow arrives
  int bow_sense;     // 0: any bow will do; 1: shoots its best; 2: also walks to better ones
  // A beginner's mistakes, each drawn at a look: the chance that it stands undecided for a
  // while (up to `hesitate_for` units walked), that it lets fly the next time he is only
  // roughly in line, and that it wanders off to some place of its own for a while.
  float hesitate, hesitate_for;
  float hasty;
  float wander;
  float calm;  // clock units after each of its hits in which it shoots and strikes at nothing
  float dodge_chance;  // of seeing an arrow coming, at a look
};
// Level 1 is a beginner: slow to react, often undecided, hasty with the bow, given to
// wandering off, and long pleased with each hit. Level 2 is a fair match for a practised
// player; level 3 plays as well as it can.
const Style STYLES[BOT_LEVELS + 1] = {
    {},
    {3.0f, 0.0f, 0.35f, 4.0f, false, 0, 0.3f, 2.0f, 0.6f, 0.25f, 400, 0},
    {0.9f, 0.15f, 0.15f, 3.0f, false, 1, 0.1f, 1.0f, 0.1f, 0.0f, 150, 0.3f},
    {0.3f, 0.3f, 0.0f, 2.5f, true, 2, 0.0f, 0.0f, 0.0f, 0.0f, 0, 1},
};

// Clock units after the other archer is put back at his starting place in which it neither
// shoots nor strikes, whatever he does: a second and a half of game time, with a little to
// spare for the clock's rounding.
constexpr float RETURN_GRACE = 45.5f;

// Round the other archer's starting place: within HOME_RADIUS he is at home, and while it
// leaves him alone there the computer keeps HOME_BERTH away from it.
constexpr double HOME_RADIUS = 3.0;
constexpr double HOME_BERTH = 3.5;
// The bow whose second arrow, a unit behind the first, would hit him again once he is put
// back: never shot at a player at his starting place.
constexpr int TWO_IN_A_ROW = 2;

// The walking direction that turns a player to each facing (up, right, down, left).
const int TURN[4] = {GO_UP, GO_RIGHT, GO_DOWN, GO_LEFT};

enum Goal { NO_GOAL, TO_BOW, TO_LINE, TO_PLAYER, TO_HOLD };

// What the computer remembers of one player's match; reset when a match starts.
struct Brain {
  int level;
  std::uint64_t dice;  // its own generator, from the match's seed
  float returned_at;   // the clock when it saw him put back after a hit
  int hesitate_frames;
  bool hasty;  // lets fly the next time he is roughly in line
  int wander_place;
  int wander_frames;
  float clock;  // the match clock last frame: a smaller one means a new match
  bool started;
  int look_in;   // frames to the next look
  int look_gap;  // frames between the last two looks
  int looks;
  float seen_x, seen_y;    // the other archer at the last look
  float near_x, near_y;    // and where it sees him at arm's length: now, or at the look
  float drift_x, drift_y;  // and how far he walked per frame since the look before
  int seen_death;
  int rest;   // frames it still leaves him alone at his starting place
  bool home;  // he was at his starting place at the last look
  Goal goal;
  int goal_place;
  int aim_alpha;                        // facing to shoot in from the goal
  float aim_cross;                      // where to stand across that line
  float line_x, line_y;                 // where he stood when it chose that place
  bool lined;                           // standing there, as well as the walls let it
  int waiting;                          // frames spent in line without a shot
  int banned_place;                     // a place in line it gave up on
  int slot;                             // the slot it wants in hand
  int walk_from, walk_goal, walk_next;  // the last step it worked out on its way
  int approach;  // the facing it closes in with for the sword, -1 for the nearer way
  int dodge_dir;
  int dodge_frames;
  float last_x, last_y;  // where it stood at the last look, to notice a stall
  int stalls;
  int detour_place;
  int detour_frames;
};
Brain brain[PLAYER_RECORDS];

// The computer's own random numbers (splitmix64), 0 to 1; never the bows' generator.
double roll(Brain& b) {
  std::uint64_t z = (b.dice += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) / 9007199254740992.0;
}

// The step size, never zero, whatever a replay set.
double step_size() {
  return p_krok > 1e-6f ? p_krok : 1e-6;
}

// Frames to walk a length at the present speed, at least one.
int frames_for(double units) {
  double f = std::ceil(units / step_size());
  return f < 1 ? 1 : f > 1e6 ? 1000000 : static_cast<int>(f);
}

bool hand_loaded(const Splayer& p) {
  return p.show.id > -1 && p.wepon.id != 0 && p.wepon.naboj[0].have;
}

int slot_arrows(const Splayer& p, int s) {
  if (!p.in[s].have) return 0;
  int n = 0;
  for (int j = 0; j < HAND_ARROWS; j++) n += p.in[s].naboj[j].have;
  return n;
}

// The loaded slot the change-weapon key should bring into hand, or the selection itself
// when pressing it would not help. A person plays the stronger pattern, then the fuller bow.
// A bow of type `shunned` does not count.
int wanted_slot(const Splayer& p, int sense, int shunned) {
  int s = p.show.id, best = -2, best_value = -1;
  if (hand_loaded(p) && p.wepon.id != shunned && sense == 0) return s;
  bool any = false;
  for (const Splayer::Sin& slot : p.in) any |= slot.have;
  if (!any) return s;
  for (int press = 0; press <= SLOTS; press++) {
    if (s >= 0 && slot_arrows(p, s) > 0 && p.in[s].id != shunned) {
      int value = p.in[s].id * 10 + slot_arrows(p, s);
      if (value > best_value) best = s, best_value = value;
      if (sense == 0) break;  // the first loaded bow will do
    }
    s = next_selection(p, s);
  }
  return best == -2 ? p.show.id : best;
}

// Arrows it can bring into hand with the change-weapon key, and its strongest bow's type;
// a bow of type `shunned` does not count.
int arrows_at_hand(const Splayer& p, int* strongest, int shunned) {
  int s = p.show.id, total = 0;
  bool seen[SLOTS] = {};
  *strongest = 0;
  for (int press = 0; press <= SLOTS; press++) {
    if (s >= 0 && !seen[s]) {
      seen[s] = true;
      int n = p.in[s].id == shunned ? 0 : slot_arrows(p, s);
      total += n;
      if (n > 0 && p.in[s].id > *strongest) *strongest = p.in[s].id;
    }
    s = next_selection(p, s);
  }
  return total;
}

// Which bow type it will shoot with next.
int aim_bow(const Splayer& p, int sense, int shunned) {
  int s = wanted_slot(p, sense, shunned);
  if (s >= 0 && slot_arrows(p, s) > 0) return p.in[s].id;
  return hand_loaded(p) ? p.wepon.id : 1;
}

// The bow type it will not shoot at him now.
int shunned_bow(const Brain& b) {
  return b.home ? TWO_IN_A_ROW : 0;
}

// How far from a player's corner the other archer's starting place lies.
double from_home(int numb, double x, double y) {
  const Spawn& home = SPAWN[3 - numb];
  return std::hypot(x - home.x, y - home.y);
}

// Where it stands across a shot's line, from the corner of the archer it aims at: the
// pattern's middle on his, or, to hit him once only, its first arrow well inside his square
// and the next one past it.
float aim_offset(int id, int alpha, bool once) {
  float ax[SUB_ARROWS], ay[SUB_ARROWS];
  int n = launched_arrows(id, alpha, 0, 0, ax, ay);
  bool along_x = alpha == doprava || alpha == dolava;
  float sum = 0, low = 1e9f, next = 1e9f;
  for (int k = 0; k < n; k++) {
    float c = along_x ? ay[k] : ax[k];
    sum += c;
    if (c < low)
      next = low, low = c;
    else if (c > low && c < next)
      next = c;
  }
  if (!n) return 0;
  if (!once || next > 1e8f) return 0.5f - sum / n;
  return static_cast<float>(std::fmax(0.5, 1 - (next - low) / 2) - low);
}

// The best place in line with the other archer: the cheapest to walk to, counting a
// longer flight (more time for him to step aside) against it. False when there is none.
bool find_line(Brain& b, int numb, int here, int id) {
  double tx = b.seen_x, ty = b.seen_y, best_cost = 1e9;
  bool found = false;
  static const int FACINGS[4] = {hore, doprava, dole, dolava};
  for (int alpha : FACINGS) {
    bool along_x = alpha == doprava || alpha == dolava;
    bool forward = alpha == hore || alpha == doprava;
    double t_along = along_x ? tx : ty, t_cross = along_x ? ty : tx;
    // an unsteady hand errs to one side, then to the other after each hit
    double error = (b.seen_death & 1) ? STYLES[b.level].aim_error : -STYLES[b.level].aim_error;
    double cross = t_cross + aim_offset(id, alpha, b.home) + error;
    int lanes = along_x ? LATTICE_H : LATTICE_W, spots = along_x ? LATTICE_W : LATTICE_H;
    double lane_origin = along_x ? place_y(0) : place_x(0);
    double spot_origin = along_x ? place_x(0) : place_y(0);
    int lane0 = static_cast<int>(std::floor(cross - lane_origin));
    for (int lane = lane0; lane <= lane0 + 1; lane++) {
      if (lane < 0 || lane >= lanes) continue;
      double off = std::fabs(lane + lane_origin - cross);
      // walk outward from the target along the lane while the arrows' line stays clear
      int first = forward ? static_cast<int>(std::floor(t_along - 1 - spot_origin))
                          : static_cast<int>(std::ceil(t_along + 1 - spot_origin));
      for (int spot = first; spot >= 0 && spot < spots; spot += forward ? -1 : 1) {
        double along = spot + spot_origin;
        float sx = along_x ? along : cross, sy = along_x ? cross : along;
        int place = along_x ? lane * LATTICE_W + spot : spot * LATTICE_W + lane;
        int walk = walk_steps(here, place);
        double cost = walk + 0.25 * std::fabs(along - t_along) + off;
        // at his starting place it shoots from afar, and only from afar while it leaves
        // him alone there
        bool close = b.home && from_home(numb, sx, sy) < HOME_BERTH;
        if (close && b.rest > 0) continue;
        if (close) cost += 20;
        if (place == b.goal_place && alpha == b.aim_alpha && b.goal == TO_LINE)
          cost -= 1;  // keep to its plan
        if (walk == UNREACHABLE || place == b.banned_place || cost >= best_cost) continue;
        if (shot_hits(id, alpha, sx, sy, tx, ty, 0) == 0) break;
        // where a wall keeps it from the ideal line, a line nearer the lattice place may
        // still do, with its arrows well inside his square, not on its edge
        double stand = cross;
        if (!spot_clear(sx, sy)) {
          double lane_at = lane + lane_origin, toward = cross - lane_at;
          bool fits = false;
          for (double part : {0.9, 0.5, 0.0}) {
            stand = lane_at + toward * part;
            sx = along_x ? along : stand, sy = along_x ? stand : along;
            fits = spot_clear(sx, sy) && shot_hits(id, alpha, sx, sy, tx, ty, 0.05) > 0;
            if (fits) break;
          }
          if (!fits) continue;
        }
        best_cost = cost;
        found = true;
        b.goal_place = place;
        b.aim_alpha = alpha;
        b.aim_cross = static_cast<float>(stand);
      }
    }
  }
  return found;
}

// Where to stand across the chosen line now that he has moved a little; false when the
// chosen place no longer does.
bool follow_line(Brain& b, int numb, int id) {
  int alpha = b.aim_alpha;
  bool along_x = alpha == doprava || alpha == dolava;
  double tx = b.seen_x, ty = b.seen_y;
  double error = (b.seen_death & 1) ? STYLES[b.level].aim_error : -STYLES[b.level].aim_error;
  double cross = (along_x ? ty : tx) + aim_offset(id, alpha, b.home) + error;
  double lane = along_x ? place_y(b.goal_place) : place_x(b.goal_place);
  double along = along_x ? place_x(b.goal_place) : place_y(b.goal_place);
  float sx = along_x ? along : cross, sy = along_x ? cross : along;
  if (b.home && b.rest > 0 && from_home(numb, sx, sy) < HOME_BERTH) return false;
  if (std::fabs(cross - lane) > 0.5 || !spot_clear(sx, sy) ||
      shot_hits(id, alpha, sx, sy, tx, ty, 0.05) == 0)
    return false;
  b.aim_cross = static_cast<float>(cross);
  return true;
}

// The nearest bow on the ground worth walking to, as a place to walk to; -1 for none. While
// it leaves the other archer alone at his starting place, none near that place.
int find_bow(const Brain& b, int numb, int here, int* bow_id, int* walk) {
  int sense = STYLES[b.level].bow_sense;
  int best = -1;
  double best_cost = 1e9;
  for (const Sg_wepon& g : g_wepon) {
    if (!g.ly) continue;
    // a bow is taken from any place whose square touches its own: a dropped bow lies on
    // whole units, so the four places round it; a replay's bow anywhere, the nearest
    float fx = std::floor(g.x), fy = std::floor(g.y);
    if (!(std::fabs(fx) < 1e3f && std::fabs(fy) < 1e3f)) continue;
    bool whole = fx == g.x && fy == g.y;
    for (int k = 0; k < (whole ? 4 : 5); k++) {
      int i = static_cast<int>(fx) + k % 2, j = static_cast<int>(fy) - 1 + k / 2;
      bool on_lattice = i >= 0 && i < LATTICE_W && j >= 0 && j < LATTICE_H;
      int place = k == 4 ? place_near(g.x, g.y) : on_lattice ? j * LATTICE_W + i : -1;
      if (!place_free(place) || !squares_touch(place_x(place), g.x) ||
          !squares_touch(place_y(place), g.y))
        continue;
      int w = walk_steps(here, place);
      if (w == UNREACHABLE) continue;
      if (b.home && b.rest > 0 && from_home(numb, place_x(place), place_y(place)) < HOME_BERTH)
        continue;
      double cost = w - (sense == 2 ? 3.0 * g.id : sense == 1 ? g.id : 0);
      if (cost < best_cost) best_cost = cost, best = place, *bow_id = g.id, *walk = w;
    }
  }
  return best;
}

// A place to wait at, well away from the other archer's starting place and out of every
// line to it, so no bow aims there whichever way it faces: the nearest on foot beyond
// HOME_BERTH and a unit to spare; -1 when none can be reached.
int hold_place(int numb, int here) {
  const Spawn& home = SPAWN[3 - numb];
  int best = -1, best_walk = UNREACHABLE;
  for (int n = 0; n < PLACES; n++) {
    double x = place_x(n), y = place_y(n);
    bool in_line = std::fabs(x - home.x) < 1.5 || std::fabs(y - home.y) < 1.5;
    if (!place_free(n) || in_line || from_home(numb, x, y) < HOME_BERTH + 1) continue;
    int w = walk_steps(here, n);
    if (w < best_walk) best = n, best_walk = w;
  }
  return best;
}

// Whether one of the other archer's arrows is about to hit it; sets a step aside.
void watch_arrows(Brain& b, int numb) {
  const Splayer& me = player[numb];
  const Splayer& op = player[3 - numb];
  double soonest = 1e9, arrow_cross = 0;
  bool arrow_along_x = false;
  for (const Splayer::Snaboj& shot : op.naboj)
    for (int k = 0; k < SUB_ARROWS; k++) {
      if (!shot.fly[k]) continue;
      double gap = arrow_gap(shot, k, me.x, me.y, 0.05);
      if (gap < 0 || gap >= soonest) continue;
      soonest = gap;
      arrow_along_x = shot.alpha == doprava || shot.alpha == dolava;
      arrow_cross = arrow_along_x ? shot.y[k] : shot.x[k];
    }
  if (soonest > 1e8) return;
  double my_cross = arrow_along_x ? me.y : me.x;
  double up = arrow_cross - my_cross + 0.06, down = my_cross + 1 - arrow_cross + 0.06;
  int d_up = arrow_along_x ? GO_UP : GO_RIGHT, d_down = arrow_along_x ? GO_DOWN : GO_LEFT;
  bool up_ok = blocked_by(numb, d_up) == FREE, down_ok = blocked_by(numb, d_down) == FREE;
  if (!up_ok && !down_ok) return;
  bool go_up = up_ok && (!down_ok || up <= down);
  b.dodge_dir = go_up ? d_up : d_down;
  b.dodge_frames = frames_for(go_up ? up : down);
}

// A look at the field: where the other archer is, what threatens, what to do next.
void look(Brain& b, int numb) {
  const Splayer& me = player[numb];
  const Splayer& op = player[3 - numb];
  const Style& style = STYLES[b.level];
  // the buildings stand still in a match; only a replay moves them, so now and then will do
  if (b.looks++ % 4 == 0 && arena_refresh()) b.walk_from = -2;
  b.home = from_home(numb, op.x, op.y) <= HOME_RADIUS;
  int shunned = shunned_bow(b);
  b.slot = wanted_slot(me, style.bow_sense, shunned);
  if (b.started) {
    b.drift_x = (op.x - b.seen_x) / b.look_gap;
    b.drift_y = (op.y - b.seen_y) / b.look_gap;
    if (std::fabs(b.drift_x) > 2 * step_size() || std::fabs(b.drift_y) > 2 * step_size())
      b.drift_x = b.drift_y = 0;  // he was put back at his spawn point
  }
  b.seen_x = op.x;
  b.seen_y = op.y;
  b.started = true;

  if (roll(b) < style.dodge_chance) watch_arrows(b, numb);
  // from his side, so his sword cannot answer; kept until the next look
  b.approach = -1;
  if (b.level >= 2) b.approach = op.alpha == doprava || op.alpha == dolava ? hore : doprava;

  int here = place_near(me.x, me.y);
  // a stall: walking somewhere, yet still in the same spot a look later
  bool walking =
      b.goal == TO_BOW || b.goal == TO_PLAYER || (b.goal == TO_LINE && b.goal_place != here);
  if (walking && std::fabs(me.x - b.last_x) + std::fabs(me.y - b.last_y) < 0.01)
    b.stalls++;
  else
    b.stalls = 0;
  b.last_x = me.x;
  b.last_y = me.y;
  if (b.stalls >= 2 && here >= 0) {
    // step to a free neighbouring place, turning round the lattice from look to look
    for (int k = 0; k < 9 && b.detour_frames == 0; k++) {
      int i = here % LATTICE_W + (k + b.stalls) % 3 - 1, j = here / LATTICE_W + (k / 3) - 1;
      int n = j * LATTICE_W + i;
      if (i >= 0 && i < LATTICE_W && j >= 0 && j < LATTICE_H && n != here && place_free(n)) {
        b.detour_place = n;
        b.detour_frames = frames_for(1.5);
      }
    }
  }

  int strongest = 0, stock = arrows_at_hand(me, &strongest, shunned);
  int bow_id = 0, bow_walk = 0;
  int bow = find_bow(b, numb, here, &bow_id, &bow_walk);
  // arrows of a bow it will not shoot at him where he stands: nothing for the sword either
  bool shunned_only = stock == 0 && arrows_at_hand(me, &strongest, 0) > 0;
  bool want_bow =
      bow >= 0 && (stock == 0 || (style.bow_sense >= 1 && stock <= 2 && bow_walk <= 5) ||
                   (style.bow_sense == 2 && bow_id > strongest && bow_walk <= 8));
  int was = b.goal_place;
  if (want_bow) {
    b.goal = TO_BOW;
    b.goal_place = bow;
  } else if (b.home && (b.rest > 0 || shunned_only)) {
    // it leaves him alone at his starting place and waits well away from it
    b.goal = TO_HOLD;
    b.goal_place = hold_place(numb, here);
  } else if (stock > 0 && b.goal == TO_LINE && b.goal_place != b.banned_place &&
             std::fabs(op.x - b.line_x) + std::fabs(op.y - b.line_y) < 1 &&
             follow_line(b, numb, aim_bow(me, style.bow_sense, shunned))) {
    // he has moved a little since it chose its place: the place still does
  } else if (stock > 0 && find_line(b, numb, here, aim_bow(me, style.bow_sense, shunned))) {
    b.goal = TO_LINE;
    b.line_x = op.x;
    b.line_y = op.y;
  } else {
    b.goal = TO_PLAYER;
    b.goal_place = place_near(op.x, op.y);
  }
  if (b.goal_place != was) b.waiting = 0;
}

// Presses the key for a direction unless a wall refuses the step (it would only turn).
void walk_key(int numb, int d, bool press[]) {
  if (blocked_by(numb, d) != WALL) press[d] = true;
}

// Walks straight toward a position, one axis or both at once. Between lattice places
// nothing but the field's edge or a wall's face right at the goal can refuse a step, so
// only the last bit of the way is checked.
void steer(int numb, double x, double y, bool press[]) {
  const Splayer& me = player[numb];
  double tol = 0.6 * step_size(), dx = x - me.x, dy = y - me.y;
  auto go = [&](double d, int dir) {
    if (std::fabs(d) > 0.25)
      press[dir] = true;
    else
      walk_key(numb, dir, press);
  };
  if (dy > tol) go(dy, GO_UP);
  if (dy < -tol) go(dy, GO_DOWN);
  if (dx > tol) go(dx, GO_RIGHT);
  if (dx < -tol) go(dx, GO_LEFT);
}

// Walks toward a lattice place along the shortest way round the buildings.
void walk_to(Brain& b, int numb, int place, bool press[]) {
  const Splayer& me = player[numb];
  int here = place_near(me.x, me.y);
  if (here != b.walk_from || place != b.walk_goal) {
    b.walk_from = here;
    b.walk_goal = place;
    b.walk_next = here < 0 ? place : next_place(here, place);
  }
  if (b.walk_next < 0) return;
  steer(numb, place_x(b.walk_next), place_y(b.walk_next), press);
}

// In line: sets itself exactly across the line, then faces along it.
void line_up(Brain& b, int numb, bool press[]) {
  const Splayer& me = player[numb];
  bool along_x = b.aim_alpha == doprava || b.aim_alpha == dolava;
  double d = b.aim_cross - (along_x ? me.y : me.x), tol = 0.6 * step_size();
  bool adjusting = false;
  if (std::fabs(d) > tol) {
    int dir = along_x ? (d > 0 ? GO_UP : GO_DOWN) : (d > 0 ? GO_RIGHT : GO_LEFT);
    if (blocked_by(numb, dir) == FREE) press[dir] = adjusting = true;
  }
  b.lined = !adjusting;
  // a sideways step after the turn would turn it again, so an upward or downward aim waits
  if (me.alpha != b.aim_alpha && (!adjusting || along_x)) {
    press[TURN[b.aim_alpha / 90]] = true;
  }
}

// Close to the other archer: level with him across, then into him, facing him. A
// flanking approach comes from the side he does not face, so his sword cannot answer.
// Returns false when no step brings it closer: a wall stands between them.
bool close_in(const Brain& b, int numb, int approach, bool press[]) {
  const Splayer& me = player[numb];
  double dx = b.near_x - me.x, dy = b.near_y - me.y;
  bool flank = approach >= 0;
  bool along_x = flank ? approach == doprava : std::fabs(dx) >= std::fabs(dy);
  double across = along_x ? dy : dx, along = along_x ? dx : dy;
  int toward = along_x ? (along > 0 ? GO_RIGHT : GO_LEFT) : (along > 0 ? GO_UP : GO_DOWN);
  int away = along_x ? (along > 0 ? GO_LEFT : GO_RIGHT) : (along > 0 ? GO_DOWN : GO_UP);
  if (std::fabs(across) <= 0.5) {
    press[toward] = true;
    return blocked_by(numb, toward) != WALL;
  }
  walk_key(numb, along_x ? (across > 0 ? GO_UP : GO_DOWN) : (across > 0 ? GO_RIGHT : GO_LEFT),
           press);
  // crossing over in front of him would walk into his line
  if (std::fabs(along) > 1.3)
    walk_key(numb, toward, press);
  else if (flank && std::fabs(along) < 1.2)
    walk_key(numb, away, press);
  return press[GO_UP] || press[GO_DOWN] || press[GO_RIGHT] || press[GO_LEFT];
}

// The facings from which an attack now would strike or shoot him, as far as it can tell,
// as a bit for each facing (up, right, down, left).
int attack_facings(const Brain& b, int numb) {
  const Splayer& me = player[numb];
  const Style& style = STYLES[b.level];
  static const int FACINGS[4] = {hore, doprava, dole, dolava};
  int facings = 0;
  bool sword = sword_in_hand(me);
  const Splayer& op = player[3 - numb];
  const Spawn& home = SPAWN[3 - numb];
  bool at_home = from_home(numb, op.x, op.y) <= HOME_RADIUS;
  // he was hit moments ago and is back at his starting place: it leaves him alone there
  if (b.rest > 0 && at_home) return 0;
  if (sword && std::fabs(op.x - me.x) + std::fabs(op.y - me.y) > 3) return 0;
  // an arrow of its own already on its way to him, or to where a hit would put him back:
  // no need for another, and none to hit him twice
  if (!sword)
    for (const Splayer::Snaboj& shot : me.naboj)
      if (shot.fly[0] || shot.fly[1] || shot.fly[2])
        for (int k = 0; k < SUB_ARROWS; k++)
          if (shot.fly[k] && (arrow_gap(shot, k, b.seen_x, b.seen_y, 0) >= 0 ||
                              arrow_gap(shot, k, home.x, home.y, 0) >= 0))
            return 0;
  for (int f = 0; f < 4; f++) {
    int alpha = FACINGS[f];
    if (sword) {
      if (sword_reaches(numb, alpha, b.near_x, b.near_y)) facings |= 1 << f;
      continue;
    }
    bool along_x = alpha == doprava || alpha == dolava;
    bool forward = alpha == hore || alpha == doprava;
    double tx = b.seen_x, ty = b.seen_y;
    double ahead = along_x ? tx - me.x : ty - me.y, across = along_x ? ty - me.y : tx - me.x;
    if ((forward ? ahead : -ahead) < -1 || std::fabs(across) > 1.5) continue;  // not that way
    double gap = std::fabs(ahead);
    if (style.leads) {
      // he keeps walking while the arrow flies
      double flight = std::fmin(gap / (r_p > 1e-6f ? r_p : 1e-6), 1e4);
      tx += b.drift_x * flight;
      ty += b.drift_y * flight;
    }
    // lined up as well as it can, or too close for him to step aside: any arrow will do
    double margin = b.lined || gap < 2.5 ? 0 : style.aim_margin;
    // a hasty hand lets fly once he is anywhere near the line
    bool hits = shot_hits(me.wepon.id, alpha, me.x, me.y, tx, ty, margin) > 0 ||
                (b.hasty && std::fabs(across) <= 1.2);
    if (hits && hits_once(me.wepon.id, alpha, me.x, me.y, tx, ty, home.x, home.y, at_home))
      facings |= 1 << f;
  }
  return facings;
}

// A beginner's mistakes, drawn at each look.
void slip(Brain& b, int numb) {
  const Style& style = STYLES[b.level];
  if (roll(b) < style.hesitate)
    b.hesitate_frames = frames_for(style.hesitate_for * (0.3 + 0.7 * roll(b)));
  if (roll(b) < style.hasty) b.hasty = true;
  // while it leaves him be after a hit it strolls about rather than stand idle in line
  bool calm = timer.time - b.returned_at < RETURN_GRACE && style.calm > RETURN_GRACE;
  if (b.wander_frames == 0 && (calm || roll(b) < style.wander)) {
    int here = place_near(player[numb].x, player[numb].y);
    for (int tries = 0; tries < 8 && here >= 0 && b.wander_frames == 0; tries++) {
      int place = static_cast<int>(roll(b) * PLACES);
      if (place_free(place) && walk_steps(here, place) != UNREACHABLE &&
          from_home(numb, place_x(place), place_y(place)) > HOME_BERTH) {
        b.wander_place = place;
        b.wander_frames = frames_for(3 + 5 * roll(b));
      }
    }
  }
}

// One frame of the computer's decisions for player numb.
void decide(int numb, bool press[]) {
  Brain& b = brain[numb];
  const Splayer& me = player[numb];
  const Splayer& op = player[3 - numb];
  const Style& style = STYLES[b.level];
  // a place no walk can reach (only a replay can put a player there): nothing to plan
  for (const Splayer* p : {&me, &op})
    if (!(std::fabs(p->x) < 1e6f && std::fabs(p->y) < 1e6f)) return;
  if (!b.started || timer.time < b.clock) {
    int level = b.level;
    b = Brain{};
    b.level = level;
    b.seen_death = op.death;
    b.banned_place = -1;
    b.returned_at = -1e9f;
    b.wander_place = -1;
    // each player's choices differ, and differ from match to match
    b.dice = (static_cast<std::uint64_t>(match_seed()) << 8) ^ static_cast<std::uint64_t>(numb);
  }
  b.clock = timer.time;

  // a hit is plain to see: the archer is gone from where he stood
  if (op.death != b.seen_death) {
    b.seen_death = op.death;
    b.banned_place = -1;
    b.returned_at = timer.time + std::fmax(0.0f, style.calm - RETURN_GRACE);
    b.rest = static_cast<int>(std::ceil(style.rest * step_rate(speed_level())));
    b.look_in = 0;
  }
  if (--b.look_in <= 0) {
    b.look_gap = frames_for(style.look_every);
    b.look_in = b.look_gap;
    look(b, numb);
    slip(b, numb);
  }
  if (b.rest > 0) b.rest--;
  if (b.hesitate_frames > 0) {
    b.hesitate_frames--;
    return;
  }
  // at arm's length the harder levels follow him frame by frame
  b.near_x = b.level >= 2 ? op.x : b.seen_x;
  b.near_y = b.level >= 2 ? op.y : b.seen_y;

  // its bow ran dry: which next, if it has another
  if (!hand_loaded(me) && b.slot == me.show.id)
    b.slot = wanted_slot(me, style.bow_sense, shunned_bow(b));
  if (b.slot != me.show.id) press[KEY_SWITCH] = true;
  // he has only just been put back: nothing is shot or struck for a while, wherever he goes
  int facings = timer.time - b.returned_at < RETURN_GRACE ? 0 : attack_facings(b, numb);
  b.lined = false;
  int facing = me.alpha >= 0 && me.alpha <= 270 && me.alpha % 90 == 0 ? me.alpha / 90 : 4;
  if (facings & (1 << facing)) {
    press[KEY_ATTACK] = true;
    b.hasty = false;
  } else if (facings) {
    // turn to him first: the attack goes off in the next frame
    for (int f = 0; f < 4; f++)
      if (facings & (1 << f)) {
        press[TURN[f]] = true;
        return;
      }
  }

  if (b.dodge_frames > 0) {
    b.dodge_frames--;
    if (blocked_by(numb, b.dodge_dir) == FREE) {
      press[b.dodge_dir] = true;
      return;
    }
    b.dodge_frames = 0;
  }
  if (b.detour_frames > 0) {
    b.detour_frames--;
    steer(numb, place_x(b.detour_place), place_y(b.detour_place), press);
    return;
  }
  if (b.wander_frames > 0) {
    b.wander_frames--;
    walk_to(b, numb, b.wander_place, press);
    return;
  }
  double near = std::fabs(op.x - me.x) + std::fabs(op.y - me.y);
  switch (b.goal) {
    case TO_BOW: walk_to(b, numb, b.goal_place, press); break;
    case TO_LINE:
      // while it leaves him alone at his starting place it takes its place, aiming at nothing
      if (b.rest > 0 && from_home(numb, op.x, op.y) <= HOME_RADIUS) {
        walk_to(b, numb, b.goal_place, press);
        break;
      }
      // near its place it lines up; the turn's step must not send it back to walking
      if (std::fabs(me.x - place_x(b.goal_place)) > 0.6 ||
          std::fabs(me.y - place_y(b.goal_place)) > 0.6) {
        walk_to(b, numb, b.goal_place, press);
        break;
      }
      line_up(b, numb, press);
      // no shot from here for a long while: he is out of reach from this place
      if (press[KEY_ATTACK] || ++b.waiting < frames_for(4.0)) break;
      b.banned_place = b.goal_place;
      b.waiting = 0;
      b.look_in = 1;
      break;
    case TO_PLAYER: {
      // straight at him only where no wall stands between: a step or two on the lattice
      int here = place_near(me.x, me.y), there = place_near(op.x, op.y);
      bool open = here < 0 || there < 0 || walk_steps(here, there) <= 2;
      if (near < 3 && open && close_in(b, numb, b.approach, press)) break;
      walk_to(b, numb, there >= 0 ? there : b.goal_place, press);
      break;
    }
    case TO_HOLD:
      if (b.goal_place >= 0) walk_to(b, numb, b.goal_place, press);
      break;
    case NO_GOAL: break;
  }
}

// While it leaves the other archer alone at his starting place it never faces that place
// with a bow ready: of the steps it would take, the last one taken sets its facing, so
// steps that would face it there are left for later, and standing still facing it, it
// steps aside.
void look_away(int numb, bool press[]) {
  const Splayer& me = player[numb];
  const Spawn& home = SPAWN[3 - numb];
  // where it stands now, and where the steps would take it (as if none were refused)
  float next_x = me.x + (press[GO_RIGHT] - press[GO_LEFT]) * p_krok;
  float next_y = me.y + (press[GO_UP] - press[GO_DOWN]) * p_krok;
  auto aims_with = [&](int id, int alpha) {
    return shot_hits(id, alpha, me.x, me.y, home.x, home.y, 0) > 0 ||
           shot_hits(id, alpha, next_x, next_y, home.x, home.y, 0) > 0;
  };
  // with the bow in hand, or one it is about to pick up, which comes into its hand
  auto aims = [&](int alpha) {
    if (!sword_in_hand(me) && aims_with(me.wepon.id, alpha)) return true;
    for (const Sg_wepon& g : g_wepon)
      if (g.ly && squares_touch(next_x, g.x) && squares_touch(next_y, g.y) &&
          aims_with(g.id, alpha))
        return true;
    return false;
  };
  int facing = -1;
  for (int d = GO_LEFT; d >= GO_UP && facing < 0; d--) {
    if (!press[d]) continue;
    if (aims(DIRECTION_FACING[d]))
      press[d] = false;
    else
      facing = DIRECTION_FACING[d];
  }
  for (int d = GO_UP; d <= GO_LEFT && facing < 0; d++)
    if (!aims(me.alpha)) {
      facing = me.alpha;
    } else if (!aims(DIRECTION_FACING[d]) && blocked_by(numb, d) == FREE) {
      press[d] = true;
      facing = DIRECTION_FACING[d];
    }
  // nor does it change bows while another might aim there
  for (const Splayer::Sin& slot : me.in)
    if (slot.have && aims_with(slot.id, facing)) press[KEY_SWITCH] = false;
}

// One frame of the computer's play for player numb.
void play_frame(int numb, bool press[]) {
  decide(numb, press);
  const Brain& b = brain[numb];
  const Splayer& op = player[3 - numb];
  if (b.rest > 0 && from_home(numb, op.x, op.y) <= HOME_RADIUS) look_away(numb, press);
}

}  // namespace

void bot_play(int numb, int level) {
  if (numb < 1 || numb > 2) return;
  brain[numb] = Brain{};
  brain[numb].level = level < 0 ? 0 : level > BOT_LEVELS ? BOT_LEVELS : level;
  arena_forget();
}

int bot_level(int numb) {
  return numb >= 1 && numb <= 2 ? brain[numb].level : 0;
}

void bot_press(StepCommands* commands) {
  for (int numb = 1; numb <= 2; numb++) {
    if (!brain[numb].level) continue;
    bool press[PLAYER_KEYS] = {};
    const Splayer& p = player[numb];
    // Outside a match the computer holds none of its keys: its player's keys are its own.
    if (move && p.play) play_frame(numb, press);
    // The shot's arrows are tested where they start, after the frame's steps: a step
    // toward them in the same frame would walk into its own arrow.
    if (press[KEY_ATTACK] && p.show.id > -1 && p.alpha % 90 == 0 && p.alpha >= 0 && p.alpha <= 270)
      press[TURN[p.alpha / 90]] = false;
    for (int i = 0; i < PLAYER_KEYS; i++) {
      // A key whose latch is still set would not act: let it go for a frame so the next
      // press counts. Movement keys act while their hold mark stands.
      bool repeat = i < KEY_ATTACK;
      bool Skey::*latch = action_latch(numb, ACTION_OF[i]);
      bool latched = key.*latch && !(repeat && keep.*latch);
      PlayerCommand& c = commands->player[numb - 1];
      c.set(COMMAND_OWN + ACTION_OF[i], press[i] && !latched);
      c.set(COMMAND_OTHER_HAND + ACTION_OF[i], false);
    }
  }
}
