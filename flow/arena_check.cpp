// The arena check walks a player over the field one step at a time, as the frame walks
// him, from the first starting place to every place he can reach.
#include "flow/arena_check.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "combat/combat.h"
#include "state/ground_plane.h"
#include "state/language.h"
#include "state/snapshot.h"
#include "world/world.h"

namespace {

// The largest step a speed level takes (level 3's): a gap it walks through, the smaller
// steps of the other levels walk through too.
constexpr float STEP = 0.1f;
constexpr int LATTICE_LEFT = static_cast<int>(FIELD_LEFT / STEP) - 1;
constexpr int LATTICE_W = static_cast<int>((FIELD_RIGHT - FIELD_LEFT) / STEP) + 3;
constexpr int LATTICE_H = static_cast<int>((FIELD_TOP - FIELD_BOTTOM) / STEP) + 3;

// Whether a unit square at (x, y) and a building share more than an edge: a line of no
// width across the square counts, a building of negative extent never does.
bool covers(const Sbuild& b, double x, double y) {
  if (b.x2 < 0 || b.y2 < 0) return false;
  const double right = static_cast<double>(b.x) + b.x2, top = static_cast<double>(b.y) + b.y2;
  return x < right && b.x < x + 1 && y < top && b.y < y + 1;
}

int covering(const Sbuild* buildings, int count, double x, double y) {
  for (int i = 0; i < count; i++)
    if (covers(buildings[i], x, y)) return i;
  return -1;
}

// The lattice place a walked position stands for: steps add up in float, so a place
// reached by two ways may differ in its last bits.
int place(float x, float y) {
  const int i = static_cast<int>(std::lround(x / STEP)) - LATTICE_LEFT;
  const int j = static_cast<int>(std::lround(y / STEP));
  if (i < 0 || i >= LATTICE_W || j < 0 || j >= LATTICE_H) return -1;
  return j * LATTICE_W + i;
}

struct Spot {
  float x, y;
};

// Every position player 1 reaches on foot from his starting place, with nobody else on the
// field; the game state holds the arena.
std::vector<Spot> walk_everywhere() {
  std::vector<bool> seen(LATTICE_W * LATTICE_H);
  std::vector<Spot> reached;
  reached.push_back({SPAWN[1].x, SPAWN[1].y});
  seen[place(SPAWN[1].x, SPAWN[1].y)] = true;
  Splayer& walker = player[1];
  for (std::size_t n = 0; n < reached.size(); n++) {
    for (int alpha : {hore, dole, doprava, dolava}) {
      walker.x = reached[n].x;
      walker.y = reached[n].y;
      const StepBlock block = step_block(1, alpha);
      if (block.body || block.wall) continue;
      // the step as the frame takes it, rounded to float
      Spot next = reached[n];
      if (alpha == hore) next.y = next.y + p_krok;
      if (alpha == dole) next.y = next.y - p_krok;
      if (alpha == doprava) next.x = next.x + p_krok;
      if (alpha == dolava) next.x = next.x - p_krok;
      const int at = place(next.x, next.y);
      if (at < 0 || seen[at]) continue;
      seen[at] = true;
      reached.push_back(next);
    }
  }
  return reached;
}

bool reaches(const std::vector<Spot>& reached, float x, float y) {
  for (const Spot& s : reached)
    if (std::fabs(s.x - x) < STEP / 2 && std::fabs(s.y - y) < STEP / 2) return true;
  return false;
}

bool reaches_bow(const std::vector<Spot>& reached, const MatchBow& bow) {
  for (const Spot& s : reached)
    if (squares_touch(s.x, bow.x) && squares_touch(s.y, bow.y)) return true;
  return false;
}

ArenaVerdict walk_check(const Sbuild* buildings, int count) {
  ArenaVerdict v;
  for (int p = 1; p <= 2; p++) {
    const int b = covering(buildings, count, SPAWN[p].x, SPAWN[p].y);
    if (b >= 0) return {ARENA_START_COVERED, p, b, SPAWN[p].x, SPAWN[p].y};
  }
  for (int k = 0; k < 2; k++) {
    const int b = covering(buildings, count, MATCH_BOWS[k].x, MATCH_BOWS[k].y);
    if (b >= 0) return {ARENA_BOW_COVERED, k, b, MATCH_BOWS[k].x, MATCH_BOWS[k].y};
  }
  const std::vector<Spot> reached = walk_everywhere();
  if (!reaches(reached, SPAWN[2].x, SPAWN[2].y))
    return {ARENA_STARTS_APART, 2, -1, SPAWN[2].x, SPAWN[2].y};
  for (int k = 0; k < 2; k++)
    if (!reaches_bow(reached, MATCH_BOWS[k]))
      return {ARENA_BOW_OUT_OF_REACH, k, -1, MATCH_BOWS[k].x, MATCH_BOWS[k].y};
  return v;
}

}  // namespace

ArenaVerdict arena_check(const Sbuild* buildings, int count) {
  if (count > BUILD_RECORDS) return {ARENA_TOO_MANY_BUILDINGS, 0, BUILD_RECORDS, 0, 0};
  if (count < 0) count = 0;
  static GameSnapshot saved;
  snapshot_take(&saved);
  for (int i = 0; i < count; i++) build[i] = buildings[i];
  Build_Max = count;
  NCP_Max = 0;
  p_krok = STEP;
  for (Splayer& p : player) p.play = false;
  player[1].play = true;
  const ArenaVerdict v = walk_check(buildings, count);
  snapshot_put(saved);
  return v;
}

std::string arena_verdict_text(const ArenaVerdict& v) {
  char text[160] = "";
  const double x = v.x, y = v.y;
  switch (v.rule) {
    case ARENA_PLAYABLE: break;
    case ARENA_TOO_MANY_BUILDINGS:
      std::snprintf(text, sizeof text, tr("Prilis vela stien: najviac %d"), BUILD_RECORDS - 1);
      break;
    case ARENA_START_COVERED:
      std::snprintf(text, sizeof text, tr("Stena %d stoji na mieste hraca %d (%g, %g)"), v.building,
                    v.which, x, y);
      break;
    case ARENA_BOW_COVERED:
      std::snprintf(text, sizeof text, tr("Stena %d stoji na luku (%g, %g)"), v.building, x, y);
      break;
    case ARENA_STARTS_APART:
      std::snprintf(text, sizeof text, tr("Ziadna cesta nevedie k miestu hraca %d (%g, %g)"),
                    v.which, x, y);
      break;
    case ARENA_BOW_OUT_OF_REACH:
      std::snprintf(text, sizeof text, tr("K luku (%g, %g) sa neda dojst"), x, y);
      break;
  }
  return text;
}