// The combat rules called directly on a bare field, at their edges: bounds are closed
// everywhere, so each case sits exactly on one, or just past it.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "combat/combat.h"
#include "flow/flag_grid.h"
#include "flow/game.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "tests/game_state.h"
#include "world/world.h"

namespace {

// Whatever a test changes is put back after it, for the later tests in this process.
class KeepsState : public ::testing::Test {
 protected:
  KeepsState() { snapshot_take(&saved); }
  ~KeepsState() override { snapshot_put(saved); }
  GameSnapshot saved;
};

// The game starts asking for full screen at 1280 x 1024 x 32 with speed level 1 marked. Its
// flag's wave moves each row one column toward column 0 in the 301st call and every 300th
// after it, and is back where it began after 45 steps.
TEST_F(KeepsState, StartUpAndTheFlagsWave) {
  fullscreen = Q_1 = false;
  game_startup_request();
  EXPECT_TRUE(fullscreen && Q_1 && Window.X == 1280 && Window.Y == 1024 && Window.BIT == 32);
  flag_grid_init();
  wiggle_count = 0;
  float start[FLAG_SIZE][FLAG_SIZE][3];
  std::memcpy(start, points, sizeof start);
  for (int call = 1; call <= 300; call++) flag_wave_tick();
  EXPECT_EQ(std::memcmp(points, start, sizeof start), 0) << "no step in the first 300 calls";
  flag_wave_tick();
  for (int y = 0; y < FLAG_SIZE; y++) {
    EXPECT_EQ(points[0][y][2], start[1][y][2]);
    EXPECT_EQ(points[FLAG_SIZE - 1][y][2], start[0][y][2]);
  }
  for (int call = 302; call <= 13501; call++) flag_wave_tick();
  EXPECT_EQ(std::memcmp(points, start, sizeof start), 0) << "45 steps later";
}

// On the game's pictures the wave counts 3000 a second of a flag shown, whatever the speed
// level and however the pictures come: a second of menu at 60 pictures a second moves it as
// 3000 draws would (9 steps), time in play is not counted, a stall counts a quarter second,
// and the end screen has the flag lifted.
TEST_F(KeepsState, TheFlagWavesWithTheTimeItIsShown) {
  put_startup_state();
  reset_screen_flags();
  Start_Menu = QNew = true;
  float start[FLAG_SIZE][FLAG_SIZE][3];
  std::memcpy(start, points, sizeof start);
  const std::int64_t second = 1000000000;
  FlagClock clock;
  for (int level : {1, 3}) {
    set_speed_level(level);
    flag_grid_init();
    wiggle_count = 0;
    for (int p = 0; p <= 60; p++) flag_for_picture(&clock, level * 10 * second + p * second / 60);
    EXPECT_EQ(points[0][0][2], start[9][0][2]) << "level " << level;
    EXPECT_EQ(points[1][FLAG_SIZE - 1][2], start[10][0][2]) << "level " << level;
    clock = FlagClock{};
  }
  Start_Menu = false;  // play: the second is not the flag's
  flag_for_picture(&clock, 40 * second);
  flag_for_picture(&clock, 41 * second);
  Menu = QReturn = true;
  flag_for_picture(&clock, 42 * second);
  EXPECT_EQ(points[0][0][2], start[9][0][2]) << "nothing counted in play";
  flag_for_picture(&clock, 50 * second);  // a stall of 8 s: 750 counts
  EXPECT_EQ(wiggle_count, 150) << "3750 counts: steps in counts 301, 601 ... 3601, 150 since";
  End = true;
  flag_for_picture(&clock, 50 * second);
  EXPECT_FLOAT_EQ(points[7][0][1], static_cast<float>(FLAG_ROWS_END));
  End = false;
  flag_for_picture(&clock, 50 * second);
  EXPECT_FLOAT_EQ(points[7][0][1], static_cast<float>(FLAG_ROWS_MENU));
  set_speed_level(1);
}

// Both players in play at (5, 5) and (0, 0), nothing else about. A step of 0.4 makes the
// sword's reach p_krok + 0.1 a plain 0.5 in floats.
class Rules : public KeepsState {
 protected:
  void SetUp() override {
    for (Splayer& p : player) p = Splayer{};
    for (Sg_wepon& g : g_wepon) g = Sg_wepon{};
    player[1].play = player[2].play = player[1].live = player[2].live = true;
    player[1].x = player[1].y = 5;
    player[0].show.id = player[1].show.id = player[2].show.id = -1;
    Build_Max = NCP_Max = 0;
    p_krok = 0.4f;
    r_p = 1;
  }
};

// Player 2 stands at (5 + dx, 5 + dy); the blade's tip lies at 6.5 (up, right) or 4.5 (down,
// left). He is struck with the tip in his square's closed span and the squares touching across.
TEST_F(Rules, SwordReachesThroughTheClosedSquareInFront) {
  const struct {
    int alpha;
    float dx, dy;
    bool struck;
  } cases[] = {
      {hore, 0, 1.5f, true},      {hore, 0, 0.5f, true},      {hore, 0, 1.51f, false},
      {hore, 0, 0.49f, false},    {hore, 1, 1, true},         {hore, -1, 1, true},
      {hore, 1.01f, 1, false},    {hore, -1.01f, 1, false},   {doprava, 1.5f, 0, true},
      {doprava, 0.5f, 0, true},   {doprava, 1.51f, 0, false}, {doprava, 1, -1, true},
      {doprava, 1, 1.01f, false}, {dole, 0, -0.5f, true},     {dole, 0, -1.5f, true},
      {dole, 0, -0.49f, false},   {dole, 0, -1.51f, false},   {dolava, -0.5f, 0, true},
      {dolava, -1.5f, 0, true},   {dolava, -0.49f, 0, false}, {dolava, -1.51f, 0, false},
      {dolava, -1, 1, true},      {hore, 0, 0, false},        {hore, 0, -1, false},
      {45, 0, 1, false},  // no facing, no stroke
  };
  for (const auto& c : cases) {
    SetUp();
    player[1].alpha = c.alpha;
    player[2].x = 5 + c.dx;
    player[2].y = 5 + c.dy;
    player_mec(1);
    EXPECT_EQ(player[1].kill, int(c.struck)) << c.alpha << " " << c.dx << " " << c.dy;
    EXPECT_EQ(player[2].death, int(c.struck)) << c.alpha << " " << c.dx << " " << c.dy;
    EXPECT_EQ(player[2].live, !c.struck);
  }
  // Record 0 never plays, so standing in front it is never struck.
  SetUp();
  player[2].x = 0;
  player[0].x = 5, player[0].y = 6;
  player_mec(1);
  EXPECT_EQ(player[0].death + player[1].kill, 0);
}

// One shot record of player 1 with only its sub-arrow s in the air, at (x, y).
Splayer::Snaboj& lone_arrow(int s, float x, float y) {
  Splayer::Snaboj& shot = player[1].naboj[0];
  shot.fly[s] = true;
  shot.x[s] = x;
  shot.y[s] = y;
  return shot;
}

// Buildings, characters and players are closed rectangles: an arrow on a far edge or
// corner is in, just past it out. Any sub-arrow counts, also the last alone.
TEST_F(Rules, ArrowsStopOnEveryEdgeOfWhatTheyMeet) {
  build[0] = {0, 8, 2, 0, 3, 4};  // x 8 to 11, y 2 to 6
  Build_Max = 1;
  for (int s = 0; s < SUB_ARROWS; s++) {
    const float corners[][2] = {{11, 6}, {8, 2}, {11.01f, 6}, {11, 6.01f}};
    for (int k = 0; k < 4; k++) {
      Splayer::Snaboj& shot = lone_arrow(s, corners[k][0], corners[k][1]);
      naboj_strel_control(1);
      EXPECT_EQ(shot.fly[s], k >= 2) << "sub-arrow " << s << " at corner " << k;
      shot = {};
    }
  }
  Build_Max = 0;
  NCP_Max = 1;
  NCP[0] = {nullptr, 0, 14, 3, 0, 0, {}, true};
  lone_arrow(2, 15, 4.01f);  // just past the character's far corner
  naboj_strel_control(1);
  EXPECT_TRUE(NCP[0].live);
  Splayer::Snaboj& shot = lone_arrow(2, 15, 4);
  naboj_strel_control(1);
  EXPECT_FALSE(shot.fly[2]);
  EXPECT_FALSE(NCP[0].live);
  EXPECT_EQ(player[1].kill, 1);
  // Player 2 at (0, 0) is hit by an arrow on his far corner, not one just past it.
  lone_arrow(1, 1, 1.01f);
  kill_another_player(1);
  EXPECT_EQ(player[2].death, 0);
  lone_arrow(1, 1, 1);
  kill_another_player(1);
  EXPECT_EQ(player[2].death, 1);
  EXPECT_EQ(player[1].kill, 2);
}

// Only the characters NCP_Max counts are on the field: the record after them blocks nothing.
TEST_F(Rules, CharactersPastTheCountAreNotThere) {
  NCP[0] = {nullptr, 0, 6, 5, 0, 0, {}, true};
  EXPECT_FALSE(step_block(1, doprava).body);
  NCP_Max = 1;
  EXPECT_TRUE(step_block(1, doprava).body);
}

// Every record busy (one sub-arrow in the air is enough): a shot spends its arrow, none changes.
TEST_F(Rules, AShotWithNoFreeRecordSpendsItsArrowAllTheSame) {
  for (int r = 0; r < SHOT_RECORDS; r++) player[1].naboj[r].fly[r % 3] = true;
  player[1].wepon.id = 2;
  for (int j = 0; j < HAND_ARROWS; j++) player[1].wepon.naboj[j].have = true;
  naboj_strel(1, 4);
  EXPECT_FALSE(player[1].wepon.naboj[4].have);
  for (int r = 0; r < SHOT_RECORDS; r++) {
    EXPECT_EQ(player[1].naboj[r].x[0] + player[1].naboj[r].y[2], 0) << r;
    EXPECT_EQ(player[1].naboj[r].fly[0] + player[1].naboj[r].fly[1] + player[1].naboj[r].fly[2], 1);
  }
}

// Where the sub-arrows start from (5, 5), 0.1 or 0.2 clear of the side faced, and which fly:
// bow 1 one arrow (facing down), bow 4 three abreast, bow 2 one behind the other.
TEST_F(Rules, BowsLaunchAheadOfTheShooterInEveryFacing) {
  const struct {
    int id, alpha;
    float x[3], y[3];
    bool fly[3];
  } cases[] = {
      {1, dole, {5, 5, 5}, {4.9f, 4.9f, 4.9f}, {1, 0, 0}},
      {4, hore, {4.8f, 5, 5.2f}, {6.1f, 6.1f, 6.1f}, {1, 1, 1}},
      {4, doprava, {6.1f, 6.1f, 6.1f}, {4.8f, 5, 5.2f}, {1, 1, 1}},
      {4, dole, {4.8f, 5, 5.2f}, {4.9f, 4.9f, 4.9f}, {1, 1, 1}},
      {4, dolava, {4.9f, 4.9f, 4.9f}, {4.8f, 5, 5.2f}, {1, 1, 1}},
      {2, hore, {5.2f, 5.2f, 5.2f}, {6.2f, 6.2f, 7.2f}, {1, 0, 1}},
      {2, doprava, {6.2f, 6.2f, 7.2f}, {5, 5, 5}, {1, 0, 1}},
      {2, dole, {5.2f, 5.2f, 5.2f}, {4.8f, 4.8f, 3.8f}, {1, 0, 1}},
      {2, dolava, {4.8f, 4.8f, 3.8f}, {5.2f, 5.2f, 5.2f}, {1, 0, 1}},
  };
  for (const auto& c : cases) {
    SetUp();
    player[1].alpha = c.alpha;
    player[1].wepon.id = c.id;
    naboj_strel(1, 0);
    const Splayer::Snaboj& shot = player[1].naboj[0];
    EXPECT_EQ(shot.alpha, c.alpha);
    for (int s = 0; s < SUB_ARROWS; s++) {
      EXPECT_FLOAT_EQ(shot.x[s], c.x[s]) << c.id << " " << c.alpha << " " << s;
      EXPECT_FLOAT_EQ(shot.y[s], c.y[s]) << c.id << " " << c.alpha << " " << s;
      EXPECT_EQ(shot.fly[s], c.fly[s]) << c.id << " " << c.alpha << " " << s;
    }
  }
}

// A shot writes the hand's arrows back to the lowest slot holding a bow of its type,
// not to the slot selected. An emptied bow is thrown away from slots 0 to 4 only.
TEST_F(Rules, AShotWritesBackToTheLowestSlotOfItsType) {
  for (int s : {0, 2, 5}) {
    player[1].in[s].id = s == 5 ? 3 : 1;
    player[1].in[s].have = true;
    for (int j = 0; j < HAND_ARROWS; j++) player[1].in[s].naboj[j].have = s != 5;
  }
  player[1].show.id = 2;
  set_item(1, 2);
  player_strel(1);
  for (int j = 0; j < HAND_ARROWS; j++) {
    EXPECT_EQ(player[1].in[0].naboj[j].have, j < 4) << j;
    EXPECT_TRUE(player[1].in[2].naboj[j].have) << j;
  }
  wepon_naboj_control(1);
  EXPECT_TRUE(player[1].in[5].have);
  // The change-weapon key stores the hand's arrows in the slot it leaves, slot 0 too.
  player[1].show.id = 0;
  player[1].in[1] = {1, true, {}};
  set_arrows(player[1].wepon, false);
  player_search(1);
  EXPECT_FALSE(player[1].in[0].naboj[0].have);
  // a selection no slot in the cycle holds (a replay may set any) goes back to the sword;
  // nothing past the slots is looked at, though the other archer's record beside them is
  // all set bits here
  std::memset(&player[2].mapa, 1, sizeof(Splayer) - offsetof(Splayer, mapa));
  for (int chosen : {SLOTS - 1, SLOTS, 40, -7}) {
    player[1].show.id = chosen;
    player_search(1);
    EXPECT_EQ(player[1].show.id, -1) << chosen;
  }
  // The hand reloads from the slot after the one given, from slot 1 on: slot 2 after slot 1.
  player[1].in[2] = {2, true, {{true}}};
  reset_item(1, 1);
  EXPECT_EQ(player[1].wepon.id, 2);
  EXPECT_TRUE(player[1].wepon.naboj[0].have);
  // A player out of play takes no bow he stands on.
  g_wepon[0] = {nullptr, 5, 5, 0, 3, true};
  player[1].play = false;
  g_wepon_control();
  EXPECT_TRUE(g_wepon[0].ly);
}

// A drop lands in a free entry only: the bows lying stay as they lie.
TEST_F(Rules, ADropLeavesTheBowsLyingAlone) {
  for (int i = 0; i < GROUND_BOWS; i += 2) g_wepon[i] = {nullptr, float(i), 0.5f, 0, 2, true};
  for (int n = 0; n < 50; n++) g_wepon_ly();
  for (int i = 0; i < GROUND_BOWS; i += 2)
    EXPECT_TRUE(g_wepon[i].ly && g_wepon[i].x == i && g_wepon[i].y == 0.5f) << i;
}

// A new match forgets everything the last one left: 0 : 0, nothing held or flying, the first
// two bows laid, the clock and its drop mark at 0. Record 0 never plays and keeps its counts.
TEST_F(Rules, MatchSetupForgetsTheLastMatch) {
  for (Splayer& p : player) {
    p.name = "", p.alpha = doprava, p.mapa = 0, p.x = p.y = p.z = 3, p.live = p.play = true;
    p.kill = p.death = p.sumary = 7, p.show.id = 2, p.wepon.id = 2;
    set_arrows(p.wepon, true);
    for (Splayer::Sin& s : p.in) s.id = 1, s.have = true, set_arrows(s, true, SLOT_ARROWS);
    for (Splayer::Snaboj& shot : p.naboj) shot = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, dole, {1, 1, 1}};
  }
  player[1].play = player[2].play = false;
  g_wepon[0] = g_wepon[1] = {nullptr, 7, 7, 7, 3, false};
  NCP[0].live = true;
  timer.time = timer.hranica = 4800;
  New_game_set();
  EXPECT_TRUE(player[1].play && player[2].play && !player[0].play);
  EXPECT_EQ(player[1].alpha, hore);
  EXPECT_EQ(player[1].mapa, 1);
  EXPECT_STREQ(player[1].name, "player1");
  EXPECT_STREQ(player[2].name, "player2");
  EXPECT_EQ(player[1].x + player[1].y + player[1].z, 0);
  for (int n = 0; n < PLAYER_RECORDS; n++) {
    const Splayer& p = player[n];
    int left = p.wepon.id + p.live + p.show.id + 1;  // anything held, flying or selected
    for (const auto& a : p.wepon.naboj) left += a.have;
    for (const Splayer::Sin& s : p.in) {
      left += s.id + s.have;
      for (const auto& a : s.naboj) left += a.have;
    }
    for (const Splayer::Snaboj& shot : p.naboj) {
      left += shot.alpha != 0;
      for (int b = 0; b < SUB_ARROWS; b++)
        left += shot.fly[b] + (shot.x[b] != 0) + (shot.y[b] != 0) + (shot.z[b] != 0);
    }
    EXPECT_EQ(left, 0) << n;
    EXPECT_EQ(p.kill + p.death + p.sumary, n == 0 ? 21 : 0) << n;
  }
  const Sg_wepon& a = g_wepon[0];
  const Sg_wepon& b = g_wepon[1];
  EXPECT_TRUE(a.ly && a.id == 1 && a.x == 3 && a.y == 3 && a.z == 0);
  EXPECT_TRUE(b.ly && b.id == 1 && b.x == 15 && b.y == 9 && b.z == 0);
  EXPECT_FALSE(NCP[0].live);
  EXPECT_EQ(timer.time + timer.hranica, 0);
}

// Holds a key down for one frame and lets it go in the next.
void press(int code) {
  keys[code] = true;
  keys_step();
  keys[code] = false;
  keys_step();
}

// Any screen up stops play and none lets it run; the colour key steps up to the sixth colour
// and wraps after it (colours.replay has the other ways round).
using Frame = KeepsState;

TEST_F(Frame, AnyScreenUpStopsPlayAndColoursWrap) {
  reset_screen_flags();
  for (int up = 0; up < SCREEN_PLAY; up++) {
    screens_open = std::uint8_t(1u << up);
    keys_step();
    EXPECT_FALSE(move) << up;
  }
  screens_open = 0;
  keys_step();
  EXPECT_TRUE(move);
  // A level the speed screen has no digit for leaves the speed as it is.
  set_speed_level(2);
  set_speed_level(0);
  set_speed_level(4);
  EXPECT_TRUE(Q_2 && r_p == 0.3f);
  // Player 2's bow keys in play: N takes his slot 0's bow (one arrow) in hand, M shoots
  // it, and M again with the emptied bow thrown away only swings the sword.
  player[2].play = true;
  player[2].alpha = hore;
  player[2].x = 10, player[2].y = 5;
  player[2].show.id = -1;
  player[2].in[0] = {3, true, {{true}}};
  for (int code : {'N', 'M', 'M'}) press(code);
  EXPECT_EQ(player[2].show.id, 0);
  EXPECT_TRUE(player[2].naboj[0].fly[0] && player[2].naboj[0].fly[2]);
  EXPECT_FALSE(player[2].naboj[1].fly[0] || player[2].in[0].have);
  New_Nastavenia = true;
  player[1].color = 5;
  for (int want : {6, 1}) {
    press('F');
    EXPECT_EQ(player[1].color, want);
  }
}

// On the main menu no play key acts: Q selects nothing. In play a bow in hand shoots and
// does not strike as well: player 2 touching in front is hit once, by the arrow.
TEST_F(Rules, PlayKeysActInPlayOnly) {
  reset_screen_flags();
  timer.hranica = 1e9f;  // no bow drops
  player[2].x = 5, player[2].y = 6;
  player[1].in[0] = {1, true, {{true}, {true}}};
  Start_Menu = true;
  press('Q');
  EXPECT_EQ(player[1].show.id, -1);
  Start_Menu = false;
  keys_step();
  press('Q');
  press('A');
  EXPECT_EQ(player[1].show.id, 0);
  EXPECT_EQ(player[2].death, 1);
}

}  // namespace
