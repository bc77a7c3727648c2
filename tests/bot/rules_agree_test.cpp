// The computer's questions against the frame's answers, over random arenas and positions:
// a step it thinks free is taken by the frame's walking, a walk it plans on its lattice is
// walked step by step, and the arrows it expects to hit hit when the frame flies them. (Its
// sword question is the frame's own `sword_reaches`; rules_test holds that at its edges.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "bot/arena.h"
#include "combat/combat.h"
#include "flow/game.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "tests/game_state.h"
#include "world/world.h"

namespace {

std::mt19937 dice(20261207);

int roll(int lo, int hi) {
  return lo + static_cast<int>(dice() % static_cast<unsigned>(hi - lo + 1));
}

// A tenth of a unit at random: edges meet often on such a grid.
float tenths(int lo, int hi) {
  return roll(lo * 10, hi * 10) / 10.0f;
}

void (*const WALK[4])(int) = {player_hore, player_dole, player_doprava, player_dolava};

// Two archers in play on a random arena of whole-unit buildings, some of no width.
void random_arena() {
  put_startup_state();
  reset_screen_flags();
  set_speed_level(roll(1, 3));
  Build_Max = roll(2, 10);
  for (int i = 0; i < Build_Max; i++)
    build[i] = {1, roll(-1, 20), roll(-1, 11), -100, roll(0, 3), roll(0, 3)};
  NCP_Max = 0;
  for (int p = 1; p <= 2; p++) {
    player[p].play = player[p].live = true;
    player[p].death = player[p].kill = 0;
  }
}

TEST(RulesAgree, StepsTheComputerThinksFreeAreTaken) {
  for (int round = 0; round < 1500; round++) {
    random_arena();
    player[1].x = tenths(-1, 21), player[1].y = tenths(-1, 12);
    player[2].x = player[1].x + tenths(-2, 2), player[2].y = player[1].y + tenths(-2, 2);
    for (int d = GO_UP; d <= GO_LEFT; d++) {
      GameSnapshot before;
      snapshot_take(&before);
      Block predicted = blocked_by(1, d);
      NCPfind = Buildfind = false;
      float x = player[1].x, y = player[1].y;
      WALK[d](1);
      bool moved = player[1].x != x || player[1].y != y;
      ASSERT_EQ(predicted == FREE, moved) << "round " << round << " direction " << d;
      ASSERT_EQ(predicted == WALL, Buildfind) << "round " << round << " direction " << d;
      snapshot_put(before);
    }
  }
}

// Walks one lattice step with the frame's own steps, both axes at once as the computer
// steers; false when it does not get there. A step may be refused on the way: a building
// of no width refuses one that lands exactly on its line, and the next one passes.
bool walk_between(int from, int to) {
  double tol = 0.6 * p_krok;
  player[1].x = place_x(from), player[1].y = place_y(from);
  auto toward = [tol](double gap, int more, int less) {
    return gap > tol ? more : gap < -tol ? less : -1;
  };
  for (int steps = 0; steps < 3 / p_krok; steps++) {
    double dx = place_x(to) - player[1].x, dy = place_y(to) - player[1].y;
    if (std::fabs(dx) <= tol && std::fabs(dy) <= tol) return true;
    for (int d : {toward(dy, GO_UP, GO_DOWN), toward(dx, GO_RIGHT, GO_LEFT)}) {
      if (d < 0) continue;
      NCPfind = Buildfind = false;
      WALK[d](1);
    }
  }
  return false;
}

TEST(RulesAgree, LatticeWalksAreWalkedByTheFrame) {
  int walked = 0;
  for (int round = 0; round < 60; round++) {
    random_arena();
    if (p_krok < 0.01f) set_speed_level(3);  // a unit is 500 steps at level 1
    arena_forget();
    arena_refresh();
    player[2].play = false;
    for (int pair = 0; pair < 10; pair++) {
      int from = roll(0, PLACES - 1), to = roll(0, PLACES - 1);
      if (!place_free(from) || walk_steps(from, to) == UNREACHABLE) continue;
      for (int n = from; n != to; n = next_place(n, to)) {
        ASSERT_TRUE(walk_between(n, next_place(n, to)))
            << "round " << round << ": from (" << place_x(n) << ", " << place_y(n) << ")";
        walked++;
      }
    }
  }
  EXPECT_GT(walked, 1000);
}

// Both archers start on the field's edges (player 1 on its bottom row): on an open arena the
// computer counts either start as a clear place to stand and shoot from, and walks straight.
TEST(RulesAgree, AnOpenArenaHasClearStartsAndStraightWalks) {
  random_arena();
  Build_Max = 0;
  arena_forget();
  arena_refresh();
  for (int p = 1; p <= 2; p++) EXPECT_TRUE(spot_clear(SPAWN[p].x, SPAWN[p].y)) << "player " << p;
  // a line's spot a little past the field's edge is not one: he cannot stand there
  EXPECT_FALSE(spot_clear(FIELD_LEFT - 0.3, 5));
  EXPECT_FALSE(spot_clear(FIELD_RIGHT + 0.3, 5));
  EXPECT_FALSE(spot_clear(8, FIELD_BOTTOM - 0.3));
  EXPECT_FALSE(spot_clear(8, FIELD_TOP + 0.3));
  // and every place, the corners too, is a walk from every other, one step per lattice square
  for (int from = 0; from < PLACES; from++)
    for (int to = 0; to < PLACES; to++) {
      const int across = std::max(std::abs(from % LATTICE_W - to % LATTICE_W),
                                  std::abs(from / LATTICE_W - to / LATTICE_W));
      ASSERT_EQ(walk_steps(from, to), across) << from << " to " << to;
    }
  // walls of no width or depth stop only a step that lands on their line: no place is lost
  build[0] = {1, 5, 5, -100, 0, 3};
  build[1] = {1, 10, 3, -100, 4, 0};
  Build_Max = 2;
  arena_refresh();
  for (int n = 0; n < PLACES; n++) EXPECT_TRUE(place_free(n)) << place_x(n) << ", " << place_y(n);
}

TEST(RulesAgree, ArrowsHitWhereTheComputerExpects) {
  int hits = 0;
  for (int round = 0; round < 3000; round++) {
    random_arena();
    Splayer& shooter = player[1];
    shooter.x = tenths(0, 19), shooter.y = tenths(0, 10);
    shooter.alpha = roll(0, 3) * 90;
    int id = roll(1, 4);
    shooter.in[0].id = shooter.wepon.id = id;
    shooter.in[0].have = true;
    shooter.show.id = 0;
    set_arrows(shooter.wepon, true);
    bool along_x = shooter.alpha == doprava || shooter.alpha == dolava;
    // most targets somewhere on the line of flight, ahead or behind
    float along = tenths(-1, 20), across = (along_x ? shooter.y : shooter.x) + tenths(-2, 2);
    float tx = along_x ? along : across, ty = along_x ? across : along;
    player[2].x = tx, player[2].y = ty;
    int predicted = shot_hits(id, shooter.alpha, shooter.x, shooter.y, tx, ty, 0);

    player_strel(1);
    const Splayer::Snaboj& shot = shooter.naboj[0];
    int gaps = 0;
    for (int k = 0; k < SUB_ARROWS; k++) gaps += arrow_gap(shot, k, tx, ty, 0) >= 0;
    for (int move = 0; move < 5000 && (shot.fly[0] || shot.fly[1] || shot.fly[2]); move++) {
      naboj_strel_control(1);
      kill_another_player(1);
      naboj_trajektoria(1);
    }
    ASSERT_EQ(player[2].death, predicted) << "round " << round << " bow " << id;
    ASSERT_EQ(gaps, predicted) << "round " << round << " bow " << id;
    hits += predicted;
  }
  EXPECT_GT(hits, 500);
}

// Point blank: he stands where two arrows of a three-abreast shot start, so both are in his
// square before any move. The frame scores both at once; the computer's question for a
// shot that must hit him once only says no, as for any two arrows arriving together.
TEST(RulesAgree, ArrowsStartingInHisSquareHitAtOnce) {
  random_arena();
  Build_Max = 0;
  Splayer& shooter = player[1];
  shooter.x = 8, shooter.y = 5, shooter.alpha = doprava;
  shooter.in[0].id = shooter.wepon.id = 4;
  shooter.in[0].have = true;
  shooter.show.id = 0;
  set_arrows(shooter.wepon, true);
  const float tx = 9.05f, ty = 5;  // the arrows start at 9.1 across 4.8, 5 and 5.2
  player[2].x = tx, player[2].y = ty;
  EXPECT_EQ(shot_hits(4, doprava, 8, 5, tx, ty, 0), 2);
  EXPECT_FALSE(hits_once(4, doprava, 8, 5, tx, ty, 1, 1, true));
  player_strel(1);
  naboj_strel_control(1);
  kill_another_player(1);
  EXPECT_EQ(player[2].death, 2);
}

}  // namespace
