#include <gtest/gtest.h>

#include "core/game.h"
#include "fresh.h"

namespace {

int draws = 0;
void count_draw() { draws++; }

// Runs frames with exactly these keys held.
void frames(std::initializer_list<int> held, int n = 1) {
  for (bool& k : keys) k = false;
  for (int code : held) keys[code] = true;
  for (int i = 0; i < n; i++) game_frame(count_draw);
}

struct Frame : ::testing::Test {
  void SetUp() override {
    fresh_globals();
    Q_1 = true;
    draws = 0;
  }
  // From start-up through the main menu and the colour screen into play.
  void into_match() {
    frames({});
    frames({' '});
    frames({});
    frames({' '});
    frames({});
    ASSERT_TRUE(move);
  }
};

int frames_until_end(int level) {
  fresh_match();
  set_speed_level(level);
  player[1].sumary = 1;
  int n = 0;
  while (!End) {
    clock_step();
    n++;
  }
  return n;
}

TEST(Clock, AMatchEndsAfterTheClockPasses5000AtEveryLevel) {
  EXPECT_EQ(frames_until_end(1), 501802);
  EXPECT_EQ(frames_until_end(2), 33345);
  EXPECT_EQ(frames_until_end(3), 10001);
  EXPECT_EQ(timer.time, 0.0f);
  EXPECT_EQ(points[0][0][1], static_cast<float>(-1.5));
}

TEST(Clock, DropsEvery200UnitsAndEqualRatingsPlayOn) {
  fresh_match();
  set_speed_level(3);
  for (int i = 0; i < 10000; i++) clock_step();
  EXPECT_EQ(timer.time, 5000.0f);
  EXPECT_EQ(timer.hranica, 25 * 200.0f);  // 25 drop attempts so far
  for (int i = 0; i < 1000; i++) clock_step();
  EXPECT_FALSE(End);
  player[2].sumary = -1;
  clock_step();
  EXPECT_TRUE(End);
}

TEST_F(Frame, MenusConfirmMoveAndIgnoreEscape) {
  frames({});
  EXPECT_TRUE(Start_Menu && QNew);
  EXPECT_EQ(draws, 1);
  frames({27});
  EXPECT_TRUE(Start_Menu && !Help && !Info && !Nastavenia);
  frames({40});
  frames({40}, 3);  // held: one step only
  EXPECT_TRUE(QNastavenia && !QNew);
  frames({40});  // released in between? no: still held, so no move
  frames({});
  frames({40});
  EXPECT_TRUE(QExit);
  frames({40, 38});  // Up acts; Down is still latched
  EXPECT_TRUE(QNastavenia);
  frames({});
  frames({40});
  EXPECT_TRUE(QExit);
  frames({});
  frames({13});
  EXPECT_TRUE(Exit);
  int before = draws;
  frames({}, 3);
  EXPECT_TRUE(done);
  EXPECT_EQ(draws, before);  // the frame that finds Exit is not drawn
}

TEST_F(Frame, EnterDoesNotStartTheMatchButSpaceDoes) {
  frames({});
  frames({13});
  EXPECT_TRUE(New_Nastavenia);
  frames({});
  frames({'F'});
  frames({'F', 'S'});  // F held: only S acts
  frames({});
  frames({'S'});
  EXPECT_EQ(player[1].color, 6);
  frames({13});
  EXPECT_TRUE(New_Nastavenia);
  frames({' '});
  EXPECT_TRUE(move && !Start_Menu);
  EXPECT_EQ(player[2].x, 19.5f);  // the first update put both on their spawns
  EXPECT_EQ(player[1].color, 6);
}

TEST_F(Frame, PauseResumeAndTheDescriptionOverPlay) {
  into_match();
  frames({38, 40});  // arrows in play: nothing, no latch
  EXPECT_FALSE(key.up || key.down);
  frames({27});
  EXPECT_TRUE(Menu && QReturn && !move);
  float t = timer.time;
  frames({}, 5);
  EXPECT_EQ(timer.time, t);
  frames({' '});
  EXPECT_TRUE(move && !Menu);
  frames({});
  frames({'H'});
  EXPECT_TRUE(Help && !move);
  t = timer.time;
  frames({27});
  EXPECT_TRUE(move);
  EXPECT_GT(timer.time, t);  // the update runs in the frame Esc is handled
}

TEST_F(Frame, SpeedScreenLevelsAndTheEndScreen) {
  frames({});
  frames({40});
  frames({' '});
  EXPECT_TRUE(Nastavenia && Start_Menu);
  frames({'1', '3'});
  EXPECT_TRUE(Q_3 && !Q_1);
  EXPECT_EQ(p_krok, 1.0f * 0.1f);
  frames({27});
  EXPECT_FALSE(Nastavenia);
  frames({'I'});
  EXPECT_TRUE(Info);
  frames({27});
  // End screen: Esc marks the pause menu unseen; Space goes to the main menu.
  Start_Menu = false;
  End = true;
  frames({});
  frames({27});
  EXPECT_TRUE(Menu && End);
  frames({' '});
  EXPECT_TRUE(Start_Menu && !Menu && !End && QNew);
  frames({' '});  // Space still held: the fresh main menu confirms New at once
  EXPECT_TRUE(New_Nastavenia);
}

TEST_F(Frame, QIsHandledBeforeAInTheSameFrame) {
  into_match();
  player[1].alpha = 0;
  player[1].in[0] = {1, true, {{true}, {true}, {true}, {true}, {true}, {false}}};
  frames({'Q', 'A'});
  EXPECT_EQ(player[1].show.id, 0);
  EXPECT_TRUE(player[1].naboj[0].fly[0]);
  EXPECT_FALSE(player[1].in[0].naboj[4].have);
}

}  // namespace
