#include <gtest/gtest.h>

#include "core/game.h"
#include "fresh.h"
#include "world/world.h"

namespace {

struct Movement : ::testing::Test {
  void SetUp() override {
    fresh_match();
    player[2].x = 15;
    player[2].y = 10;
  }
  // Places player 1 and calls one movement function the way the frame does.
  void step(void (*walk)(int), float x, float y) {
    player[1].x = x;
    player[1].y = y;
    NCPfind = Buildfind = false;
    walk(1);
  }
  void wall(int x, int y, int x2, int y2) {
    build[Build_Max++] = {1, x, y, -100, x2, y2};
  }
};

TEST_F(Movement, EdgesLimitTheCornerAndALandingOnTheLimitIsTaken) {
  set_speed_level(3);
  step(player_doprava, 19.95f, 5);
  EXPECT_FLOAT_EQ(player[1].x, 19.95f);
  EXPECT_TRUE(Buildfind);
  EXPECT_EQ(player[1].alpha, 90);
  step(player_doprava, 19.9f, 5);  // 19.9 + 0.1 is not above 20 in double
  EXPECT_FALSE(Buildfind);
  EXPECT_FLOAT_EQ(player[1].x, 19.9f + 0.1f);
  step(player_dolava, -0.45f, 5);
  EXPECT_FLOAT_EQ(player[1].x, -0.45f);  // -0.55 is past the -0.5 limit
  step(player_dole, 5, 0.05f);
  EXPECT_FLOAT_EQ(player[1].y, 0.05f);
  EXPECT_EQ(player[1].alpha, 180);
  step(player_hore, 5, 10.95f);
  EXPECT_FLOAT_EQ(player[1].y, 10.95f);
}

TEST_F(Movement, WallsBlockWhenTheLeadingSideWouldTouchThem) {
  wall(10, 4, 2, 3);  // [10, 12] x [4, 7]
  p_krok = 0.25f;     // exact steps, so a side can land exactly on a face
  step(player_doprava, 8.75f, 5);  // lands exactly on the face: blocked
  EXPECT_TRUE(Buildfind);
  EXPECT_FLOAT_EQ(player[1].x, 8.75f);
  step(player_doprava, 8.5f, 5);
  EXPECT_FLOAT_EQ(player[1].x, 8.75f);
  // Upper side exactly on the lower face still counts as beside it.
  step(player_doprava, 8.75f, 3);
  EXPECT_TRUE(Buildfind);
  step(player_doprava, 8.75f, 2.9f);  // clear below
  EXPECT_FALSE(Buildfind);
  build[0] = {1, -100, -100, -100, -100, -100};  // a reset record never blocks
  step(player_doprava, 8.75f, 5);
  EXPECT_FALSE(Buildfind);
}

TEST_F(Movement, PlayersBlockEachOtherButNotOnTheSameSpot) {
  set_speed_level(3);
  player[2].x = 6;
  player[2].y = 5;
  step(player_doprava, 4.95f, 5.5f);
  EXPECT_TRUE(NCPfind);
  EXPECT_FALSE(Buildfind);
  for (auto walk : {player_hore, player_dole, player_doprava, player_dolava}) {
    step(walk, 6, 5);
    EXPECT_FALSE(NCPfind);
  }
  player[2].play = false;  // out of play: no obstacle
  step(player_doprava, 4.95f, 5.5f);
  EXPECT_FALSE(NCPfind);
}

TEST_F(Movement, HeldKeysActEveryFrameInTheirOrder) {
  keys['E'] = keys['D'] = keys['F'] = true;
  game_frame(nullptr);
  // Up then down cancel; right moves; the last facing is right.
  EXPECT_FLOAT_EQ(player[1].y, 0.0f);
  EXPECT_FLOAT_EQ(player[1].x, 0.002f);
  EXPECT_EQ(player[1].alpha, 90);
  keys['D'] = false;
  for (int i = 0; i < 9; i++) game_frame(nullptr);
  float y = 0;
  for (int i = 0; i < 9; i++) y += 0.002f;
  EXPECT_EQ(player[1].y, y);
}

}  // namespace
