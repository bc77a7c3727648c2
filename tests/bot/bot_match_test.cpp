// Whole matches of the computer opponent, run in-process through the game's own frames:
// against a player who does nothing, and computer against computer on random arenas.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "bot/arena.h"
#include "bot/bot.h"
#include "combat/combat.h"
#include "flow/game.h"
#include "flow/step_clock.h"
#include "state/game_random.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "tests/game_state.h"
#include "world/world.h"

namespace {

// The test's own generator, so the arenas never change with the library.
struct Dice {
  unsigned long long s;
  int roll(int lo, int hi) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return lo + static_cast<int>((s >> 33) % static_cast<unsigned long long>(hi - lo + 1));
  }
};

// Whether every key of both players is held beneath the computer's: for a player it plays,
// its keys must replace them, and its decisions must not read them.
bool hold_all;

// One frame with only the computer pressing keys.
void frame() {
  static const int HELD[] = {'E', 'D', 'F', 'S', 'A', 'Q', 'I', 'K', 'L', 'J', 'M', 'N'};
  std::memset(keys, 0, sizeof keys);
  if (hold_all)
    for (int code : HELD) keys[code] = true;
  bot_press_keys(keys);
  keys_step();
}

// From wherever the screens stand into a new match at a speed level, as a player gets there.
void start_match(int speed) {
  startup_state();  // the game's own start-up, once
  reset_screen_flags();
  active = true;
  start = true;
  // as in a fresh game: no bows lying from an earlier arena, the drops' numbers from the start
  for (Sg_wepon& g : g_wepon) g.ly = false;
  game_random_reset();
  set_speed_level(speed);
  // the main menu opens, New: the colour screen, the match starts
  for (int code : {0, VK_SPACE, VK_SPACE}) {
    std::memset(keys, 0, sizeof keys);
    keys[code] = true;
    keys_step();
    std::memset(keys, 0, sizeof keys);
    keys_step();
  }
  ASSERT_TRUE(move);
}

// A building table: none when there is no map file beside the test.
void set_arena(const int (*boxes)[4], int count) {
  Build_Max = count;
  for (int i = 0; i < count; i++)
    build[i] = {1, boxes[i][0], boxes[i][1], -100, boxes[i][2], boxes[i][3]};
}

// Whether a player's corner at (x, y) keeps his square clear of every building.
bool clear(const int (*boxes)[4], int count, double x, double y) {
  for (int i = 0; i < count; i++) {
    const int* b = boxes[i];
    if (x + 1 >= b[0] && x <= b[0] + b[2] && y + 1 >= b[1] && y <= b[1] + b[3]) return false;
  }
  return true;
}

// Whether a player can walk from one spawn point to the other, on a quarter-unit grid of
// the field.
bool spawns_joined(const int (*boxes)[4], int count) {
  constexpr int W = static_cast<int>((FIELD_RIGHT - FIELD_LEFT) * 4) + 1;
  constexpr int H = static_cast<int>((FIELD_TOP - FIELD_BOTTOM) * 4) + 1;
  static bool seen[W][H];
  std::memset(seen, 0, sizeof seen);
  std::function<void(int, int)> walk = [&](int i, int j) {
    if (i < 0 || i >= W || j < 0 || j >= H || seen[i][j]) return;
    if (!clear(boxes, count, FIELD_LEFT + i * 0.25, FIELD_BOTTOM + j * 0.25)) return;
    seen[i][j] = true;
    walk(i + 1, j);
    walk(i - 1, j);
    walk(i, j + 1);
    walk(i, j - 1);
  };
  auto cell = [](double v, double edge) { return static_cast<int>((v - edge) * 4); };
  walk(cell(SPAWN[1].x, FIELD_LEFT), cell(SPAWN[1].y, FIELD_BOTTOM));
  return seen[cell(SPAWN[2].x, FIELD_LEFT)][cell(SPAWN[2].y, FIELD_BOTTOM)];
}

// Random buildings of random size and place, the spawn points free and joined.
int random_arena(Dice& dice, int (*boxes)[4]) {
  for (;;) {
    int count = dice.roll(4, 16);
    for (int i = 0; i < count;) {
      int* b = boxes[i];
      b[0] = dice.roll(-2, 20), b[1] = dice.roll(-2, 11);
      b[2] = dice.roll(1, 4), b[3] = dice.roll(1, 4);
      if (clear(boxes + i, 1, SPAWN[1].x, SPAWN[1].y) &&
          clear(boxes + i, 1, SPAWN[2].x, SPAWN[2].y))
        i++;
    }
    if (spawns_joined(boxes, count)) return count;
  }
}

struct Outcome {
  int kills[3];
  int deaths[3];
  int winner;                // 0 when the match did not end
  double stuck[3];           // longest time in one spot, in units walked
  unsigned long long trace;  // both players' places and hits, frame by frame
};

// Plays one match to its end with the computer at the given levels (0: nobody plays).
Outcome play(int speed, int level1, int level2, const int (*boxes)[4], int count, int cap) {
  start_match(speed);
  set_arena(boxes, count);
  bot_play(1, level1);
  bot_play(2, level2);
  Outcome o = {};
  float anchor[3][2] = {};
  long still[3] = {};
  double since_hit = 1e9;  // units walked since the last hit
  for (int f = 0; f < cap && !End; f++) {
    frame();
    // stuck: in one spot while nobody is hit (a marksman scoring from his spot is not), and
    // not in the four seconds (24 units walked) after a hit, in which the hitter may wait
    // well away from where the other starts again
    bool hit = player[1].death != o.deaths[1] || player[2].death != o.deaths[2];
    since_hit = hit ? 0 : since_hit + p_krok;
    for (int p = 1; p <= 2; p++) {
      const Splayer& pl = player[p];
      o.kills[p] = pl.kill, o.deaths[p] = pl.death;
      o.trace =
          o.trace * 1000003 + std::hash<float>{}(pl.x) * 31 + std::hash<float>{}(pl.y) + pl.kill;
      if (since_hit < 24 || std::fabs(pl.x - anchor[p][0]) > 0.5f ||
          std::fabs(pl.y - anchor[p][1]) > 0.5f) {
        anchor[p][0] = pl.x, anchor[p][1] = pl.y, still[p] = 0;
      } else if (++still[p] * p_krok > o.stuck[p]) {
        o.stuck[p] = still[p] * p_krok;
      }
    }
  }
  if (End) o.winner = player[1].sumary > player[2].sumary ? 1 : 2;
  bot_play(1, 0);
  bot_play(2, 0);
  return o;
}

// 50 odd buildings (most far off the field, sums past the int range, widths 0 or negative)
// that leave the field open but for three small ones.
const int (*odd_arena())[4] {
  static int boxes[BUILD_RECORDS][4];
  for (int i = 0; i < BUILD_RECORDS; i++) {
    int* b = boxes[i];
    b[0] = i % 2 ? INT_MAX - i : INT_MIN + i, b[1] = 1000000 * (i - 25);
    b[2] = i % 3 ? INT_MAX : -5, b[3] = i % 5 ? 7 : INT_MIN;
  }
  const int odd[][4] = {{5, 5, 0, 3},
                        {12, 2, -3, 4},
                        {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                        {9, 5, 2, 2},
                        {-2, 3, 1, 1}};
  for (int i = 0; i < 5; i++) std::memcpy(boxes[i * 9], odd[i], sizeof odd[i]);
  return boxes;
}

// The computer's plans are in map units: against nobody it scores within a 60-unit walk at
// speeds 1 and 2 on the odd arena (level 3: the match below).
TEST(BotMatch, HardComputerScoresAtEverySpeedOnAnOddArena) {
  for (int speed = 1; speed <= 2; speed++) {
    float step = speed == 1 ? 0.002f : 0.03f;
    Outcome o = play(speed, 0, 3, odd_arena(), BUILD_RECORDS, static_cast<int>(60 / step));
    EXPECT_GE(o.kills[2], 2) << "speed " << speed;
    EXPECT_EQ(o.deaths[2], 0) << "speed " << speed;
  }
}

TEST(BotMatch, ComputerAgainstComputerOnRandomArenas) {
  Dice dice{20261207};
  static int boxes[BUILD_RECORDS][4];
  const int ARENAS = 20;
  int wins3 = 0, wins2 = 0;
  double worst_stuck = 0;
  for (int a = 0; a < ARENAS; a++) {
    int count = random_arena(dice, boxes);
    bool swap = a % 2;  // each level plays from both spawn points
    for (int strong = 3; strong >= 2; strong--) {
      GameSnapshot before;
      snapshot_take(&before);
      auto match = [&] {
        return swap ? play(3, strong, 1, boxes, count, 40000)
                    : play(3, 1, strong, boxes, count, 40000);
      };
      Outcome o = match();
      int strong_side = swap ? 1 : 2;
      // again from the same state with every key held: the computer decides the same
      hold_all = true;
      snapshot_put(before);
      EXPECT_EQ(match().trace, o.trace) << "arena " << a << " level " << strong;
      hold_all = false;
      EXPECT_NE(o.winner, 0) << "arena " << a << ": the match never ended";
      EXPECT_GE(o.kills[1], 1) << "arena " << a << " level " << strong;
      EXPECT_GE(o.kills[2], 1) << "arena " << a << " level " << strong;
      if (o.winner == strong_side) (strong == 3 ? wins3 : wins2)++;
      for (int p = 1; p <= 2; p++) {
        worst_stuck = std::fmax(worst_stuck, o.stuck[p]);
        // 15 units walked: two and a half seconds at the pace of every speed level
        EXPECT_LT(o.stuck[p], 15.0) << "arena " << a << " player " << p << " level " << strong;
      }
    }
  }
  std::printf(
      "level 3 beat level 1 in %d of %d, level 2 in %d of %d; longest in one spot %.1f units\n",
      wins3, ARENAS, wins2, ARENAS, worst_stuck);
  EXPECT_GE(wins3 * 10, ARENAS * 8);
  EXPECT_GT(wins2 * 2, ARENAS);
}

// A match at level 3 against a player who does nothing, on the game's own map and on the
// odd arena: the computer wins clearly, never into its own arrows, yet after each hit leaves
// his starting place alone for two seconds (no shot, no bow aimed at it, no waiting within 3
// units of it), and keeps away from it.
TEST(BotMatch, HardComputerDoesNotCampAtTheStartingPlace) {
  const double STEPS_PER_SECOND = step_rate(3);
  const double FAIR_GAP = 2 * STEPS_PER_SECOND;
  const Spawn& home = SPAWN[1];
  for (bool own_map : {true, false}) {
    start_match(3);
    if (own_map)
      Load_sector_map(KORVALEN_SOURCE_DIR "/s_1.txt");
    else
      set_arena(odd_arena(), BUILD_RECORDS);
    bot_play(2, 3);
    int hits = 0, near_steps = 0, steps = 0, fair_faults = 0, lingering = 0;
    long last_hit = -1000000, shortest = 1000000;
    for (; steps < 20000 && !End; steps++) {
      // a shot takes a record that was free before the step
      auto flying = [](const Splayer::Snaboj& shot) {
        return shot.fly[0] || shot.fly[1] || shot.fly[2];
      };
      bool was_flying[SHOT_RECORDS];
      for (int r = 0; r < SHOT_RECORDS; r++) was_flying[r] = flying(player[2].naboj[r]);
      frame();
      bool launched = false;
      for (int r = 0; r < SHOT_RECORDS; r++)
        launched |= !was_flying[r] && flying(player[2].naboj[r]);
      double dx = player[2].x - home.x, dy = player[2].y - home.y;
      bool near = dx * dx + dy * dy <= 9;
      near_steps += near;
      bool resting = steps - last_hit < FAIR_GAP;
      // a walk out of the place, or past it, takes half a second at the most
      lingering = resting && near ? lingering + 1 : 0;
      const Splayer& bot = player[2];
      bool aiming = !sword_in_hand(bot) && bot.wepon.naboj[0].have &&
                    shot_hits(bot.wepon.id, bot.alpha, bot.x, bot.y, home.x, home.y, 0) > 0;
      fair_faults += resting && (lingering > STEPS_PER_SECOND / 2 || launched || aiming);
      for (; hits < player[1].death; hits++) {
        shortest = std::min(shortest, steps - last_hit);
        last_hit = steps;
      }
    }
    double near_share = 100.0 * near_steps / steps;
    std::printf(
        "%s: %d hits in %.0f s, the closest %.2f s apart; %.1f %% of the match within "
        "3 units of his starting place; %d steps unfair\n",
        own_map ? "own map" : "odd arena", hits, steps / STEPS_PER_SECOND,
        shortest / STEPS_PER_SECOND, near_share, fair_faults);
    EXPECT_TRUE(End);
    EXPECT_GE(hits, 10);
    EXPECT_EQ(player[2].death, 0);
    EXPECT_GE(shortest, FAIR_GAP);
    EXPECT_LE(near_share, 10);
    EXPECT_EQ(fair_faults, 0);
    bot_play(2, 0);
  }
}

// The beginner shoots with the bow in its hand while it holds arrows, however strong the
// bows it carries; a practised player changes to its strongest at once.
TEST(BotMatch, OnlyTheBeginnerKeepsTheBowInHand) {
  for (int level : {1, 2}) {
    start_match(3);
    // on the described arena, wherever the tests run
    Load_sector_map(KORVALEN_SOURCE_DIR "/s_1.txt");
    bot_play(2, level);
    // a three-abreast bow, then a single one picked up: the single one is in hand
    for (int k : {0, 1}) {
      g_wepon[k] = {};
      g_wepon[k].id = k == 0 ? 4 : 1;
      g_wepon[k].ly = true;
      take_item(2, k);
    }
    ASSERT_EQ(player[2].wepon.id, 1);
    bool changed_loaded = false;
    for (int f = 0; f < 600 && !changed_loaded; f++) {
      const bool loaded = player[2].wepon.id == 1 && player[2].wepon.naboj[0].have;
      frame();
      changed_loaded = loaded && player[2].wepon.id != 1;
    }
    bot_play(2, 0);
    EXPECT_EQ(changed_loaded, level > 1) << "level " << level;
  }
}

}  // namespace
