#include "combat/combat.h"

#include <gtest/gtest.h>

#include "core/game.h"
#include "fresh.h"

namespace {

struct Combat : ::testing::Test {
  void SetUp() override {
    fresh_match();
    g_wepon[0].ly = g_wepon[1].ly = false;
    player[1].x = player[1].y = 5;
    player[2].x = 15;
    player[2].y = 2;
  }
  const Splayer::Snaboj& shot(int r) { return player[1].naboj[r]; }
};

TEST_F(Combat, PatternsStartWhereTheBowsPutThem) {
  arm(1, 1);
  player[1].alpha = 0;
  player_strel(1);
  EXPECT_TRUE(shot(0).fly[0]);
  EXPECT_FALSE(shot(0).fly[1] || shot(0).fly[2]);
  EXPECT_EQ(shot(0).y[0], 5 + 1.1f);
  EXPECT_EQ(shot(0).z[0], 0.5f);
  EXPECT_FALSE(player[1].wepon.naboj[4].have);
  EXPECT_TRUE(player[1].wepon.naboj[3].have);

  arm(1, 2);
  player[1].alpha = 180;
  player_strel(1);
  EXPECT_TRUE(shot(1).fly[0] && !shot(1).fly[1] && shot(1).fly[2]);
  EXPECT_EQ(shot(1).x[0], 5 + 0.2f);
  EXPECT_EQ(shot(1).y[0], 5 - 0.2f);
  EXPECT_EQ(shot(1).y[2], 5 - 1.2f);
  EXPECT_EQ(shot(1).alpha, 180);

  arm(1, 3);
  player[1].alpha = 90;
  player_strel(1);
  EXPECT_EQ(shot(2).x[0], 5 + 1.1f);
  EXPECT_EQ(shot(2).y[0], 5 - 0.2f);
  EXPECT_EQ(shot(2).y[2], 5 + 0.5f);

  arm(1, 4);
  player[1].alpha = 270;
  player_strel(1);
  EXPECT_TRUE(shot(3).fly[0] && shot(3).fly[1] && shot(3).fly[2]);
  EXPECT_EQ(shot(3).x[1], 5 - 0.1f);
  EXPECT_EQ(shot(3).y[2], 5 + 0.2f);
}

TEST_F(Combat, HoldingTheKeyFiresOnce) {
  arm(1, 1);
  keys['A'] = true;
  for (int i = 0; i < 3; i++) game_frame(nullptr);
  EXPECT_FALSE(player[1].wepon.naboj[4].have);
  EXPECT_TRUE(player[1].wepon.naboj[3].have);
}

TEST_F(Combat, ShotsTakeTheFirstFreeRecordAndAFullQuiverLosesTheArrow) {
  for (Splayer::Snaboj& s : player[1].naboj) s.fly[1] = true;
  player[1].naboj[7].fly[1] = false;
  arm(1, 1);
  player_strel(1);
  EXPECT_TRUE(player[1].naboj[7].fly[0]);
  player_strel(1);  // nothing free: the arrow is spent all the same
  EXPECT_FALSE(player[1].wepon.naboj[3].have);
  EXPECT_FALSE(player[1].naboj[8].fly[0]);
}

TEST_F(Combat, DropsLandOnWholeCellsAndOnlyTouchingPicksUp) {
  for (int i = 0; i < 200; i++) g_wepon_ly();
  for (const Sg_wepon& g : g_wepon) {
    ASSERT_TRUE(g.ly);
    EXPECT_GE(g.id, 1);
    EXPECT_LE(g.id, 3);
    EXPECT_EQ(g.x, static_cast<int>(g.x));
    EXPECT_LT(g.x, 20);
    EXPECT_LT(g.y, 10);
  }
  for (Sg_wepon& g : g_wepon) g.ly = false;
  g_wepon[0] = {nullptr, 3, 3, 0, 1, true};
  player[1].x = 1.9f;  // 1.1 from the bow: not touching
  player[1].y = 2.5f;
  g_wepon_control();
  EXPECT_TRUE(g_wepon[0].ly);
  player[1].x = 2.2f;
  g_wepon_control();
  EXPECT_FALSE(g_wepon[0].ly);
}

}  // namespace
