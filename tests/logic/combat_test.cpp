#include <gtest/gtest.h>

#include "combat/combat.h"
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

TEST_F(Combat, PickUpsFillSlotsAndTheKeyCyclesThem) {
  for (int id : {1, 2, 3}) arm(1, id);
  EXPECT_EQ(player[1].show.id, 2);
  EXPECT_EQ(player[1].wepon.id, 3);
  int seen[5];
  for (int& s : seen) {
    player_search(1);
    s = player[1].show.id;
  }
  EXPECT_EQ(seen[0], -1);
  EXPECT_EQ(seen[1], 0);
  EXPECT_EQ(seen[2], 1);
  EXPECT_EQ(seen[3], 2);
  EXPECT_EQ(seen[4], -1);
  EXPECT_EQ(player[1].wepon.id, 0);
}

TEST_F(Combat, ArrowsLeftAreKeptPerSlotAndARefillRestoresFive) {
  arm(1, 1);
  arm(1, 2);
  player_search(1);  // -1
  player_search(1);  // slot 0, bow 1
  player_strel(1);
  player_strel(1);
  EXPECT_FALSE(player[1].in[0].naboj[3].have);
  player_search(1);  // slot 1 stores slot 0's three arrows
  player_search(1);  // back to -1
  player_search(1);  // slot 0 again
  EXPECT_TRUE(player[1].wepon.naboj[2].have);
  EXPECT_FALSE(player[1].wepon.naboj[3].have);
  arm(1, 1);  // same type: refills slot 0, selects it
  EXPECT_EQ(player[1].show.id, 0);
  EXPECT_TRUE(player[1].wepon.naboj[4].have);
  EXPECT_EQ(player[1].in[1].id, 2);
  EXPECT_FALSE(player[1].in[2].have);
}

TEST_F(Combat, SlotFiveAndAFullInventory) {
  for (int id = 1; id <= 5; id++) arm(1, id);
  arm(1, 6);
  EXPECT_EQ(player[1].show.id, 5);
  player_strel(1);  // a bow from slot 5 writes its arrows back to slot 5
  EXPECT_FALSE(player[1].in[5].naboj[4].have);
  player_search(1);
  EXPECT_EQ(player[1].show.id, -1);
  // No room: the bow stays on the ground and nothing of the player changes.
  player_search(1);
  Splayer before = player[1];
  g_wepon[7] = {nullptr, 5, 5, 0, 7, true};
  g_wepon_control();
  EXPECT_TRUE(g_wepon[7].ly);
  EXPECT_EQ(player[1].show.id, before.show.id);
  EXPECT_EQ(player[1].wepon.id, before.wepon.id);
}

TEST_F(Combat, TheLastArrowThrowsTheBowAwayInTheSameFrame) {
  arm(1, 1);
  for (int i = 0; i < 4; i++) player_strel(1);
  keys['A'] = true;
  game_frame(nullptr);
  EXPECT_FALSE(player[1].in[0].have);
  EXPECT_EQ(player[1].show.id, 0);
  EXPECT_EQ(player[1].wepon.id, 0);
  // Holding A fires once: the next frames swing nothing and shoot nothing.
  int kills = player[1].kill;
  game_frame(nullptr);
  EXPECT_EQ(player[1].kill, kills);
}

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

TEST_F(Combat, ArrowsStopOnlyPastTheBoundsAndInBuildings) {
  Splayer::Snaboj& s = player[1].naboj[0];
  s = {{30, -1, 12}, {20, -1, 12}, {}, 90, {true, true, true}};
  build[0] = {1, 12, 12, -100, 1, 1};
  Build_Max = 1;
  naboj_strel_control(1);
  EXPECT_TRUE(s.fly[0]);
  EXPECT_TRUE(s.fly[1]);
  EXPECT_FALSE(s.fly[2]);
  naboj_trajektoria(1);
  naboj_strel_control(1);
  EXPECT_FALSE(s.fly[0]);  // 30.02 is past the bound
}

TEST_F(Combat, HitsCountPerSubArrowAndScoringPutsTheTargetBack) {
  // Three sub-arrows inside player 2's square, one on its edge.
  player[1].naboj[0] = {{15, 16, 15.5f}, {2, 3, 2.5f}, {}, 90, {true, true, true}};
  kill_another_player(1);
  EXPECT_EQ(player[1].kill, 3);
  EXPECT_EQ(player[2].death, 3);
  player_death_control(2);
  player_sumary(1);
  player_sumary(2);
  EXPECT_EQ(player[2].x, 19.5f);
  EXPECT_EQ(player[2].y, 10.5f);
  EXPECT_EQ(player[2].sumary, -3);
  EXPECT_EQ(player[1].sumary, 3);
}

TEST_F(Combat, TheSwordReachesJustInFront) {
  player[1].alpha = 0;
  player[2].x = 5.5f;
  player[2].y = 6.05f;
  player_mec(1);
  EXPECT_EQ(player[2].death, 1);
  player[2].x = 5;
  player[2].y = 6.15f;
  player_mec(1);
  EXPECT_EQ(player[2].death, 1);  // 6.102 falls short at speed 1
  set_speed_level(3);
  player_mec(1);
  EXPECT_EQ(player[2].death, 2);
  set_speed_level(1);
  player[2].x = player[2].y = 6;  // diagonal touch
  player_mec(1);
  EXPECT_EQ(player[2].death, 3);
  player[2].x = player[2].y = 5;  // same square: the front point is beyond it
  player_mec(1);
  player[1].alpha = 180;
  player[2].y = 6.05f;  // behind
  player_mec(1);
  EXPECT_EQ(player[2].death, 3);
  EXPECT_EQ(player[1].kill, 3);
}

TEST_F(Combat, DropsLandOnWholeCellsAndTouchingPicksUp) {
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
  player[1].x = 1.9f;
  player[1].y = 2.5f;
  g_wepon_control();
  EXPECT_TRUE(g_wepon[0].ly);
  player[1].x = 2.2f;
  player[2].x = 3.5f;  // both touch: player 1 gets it
  player[2].y = 3.5f;
  g_wepon_control();
  EXPECT_FALSE(g_wepon[0].ly);
  EXPECT_EQ(player[1].wepon.id, 1);
  EXPECT_EQ(player[2].wepon.id, 0);
}

}  // namespace
