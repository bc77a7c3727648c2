// The end screen's figures, counted from real steps: shots, arrow and sword hits, the
// match's length, and what a new match starts from.
#include "flow/match_stats.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "flow/game.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "tests/game_state.h"

namespace {

class MatchFigures : public ::testing::Test {
 protected:
  MatchFigures() { snapshot_take(&saved); }
  ~MatchFigures() override { snapshot_put(saved); }
  void SetUp() override {
    reset_screen_flags();
    New_game_set();
    match_stats_reset();
    Build_Max = NCP_Max = 0;
    set_speed_level(1);
    for (Sg_wepon& g : g_wepon) g.ly = false;
    step({});
    player[1].x = player[1].y = 5;
    player[1].alpha = doprava;
    player[2].x = player[2].y = 15;
    timer.hranica = 1e9f;
  }
  void step(std::initializer_list<int> held) {
    for (int code : held) keys[code] = true;
    keys_step();
    for (bool& k : keys) k = false;
  }
  void bow_in_hand(int id) {
    Splayer& p = player[1];
    p.in[0].id = id;
    p.in[0].have = true;
    p.show.id = 0;
    p.wepon.id = id;
    for (int i = 0; i < HAND_ARROWS; i++) p.in[0].naboj[i].have = p.wepon.naboj[i].have = true;
  }
  GameSnapshot saved;
};

// Two shots of the short bow, the first into player 2's square, the second into the air;
// then a sword stroke into the air and one that strikes, facing the other way: 2 shots, 1 arrow
// hit, 1 sword hit, 50 % accuracy. Player 2 did nothing.
TEST_F(MatchFigures, ShotsAndHitsOfEachKind) {
  bow_in_hand(1);
  player[2].x = 6;  // the arrow starts at 6.1, inside his square
  player[2].y = 5;
  step({'A'});
  ASSERT_EQ(player[1].kill, 1);
  step({});
  step({'A'});
  for (int i = 0; i < 5; i++) step({});
  player[1].show.id = -1;  // the sword, turned away from the arrow still in flight
  player[1].alpha = dolava;
  step({'A'});
  step({});
  player[2].x = 3.95f;
  player[2].y = 5;
  step({'A'});
  ASSERT_EQ(player[1].kill, 2);
  EXPECT_EQ(match_stats.shots[1], 2);
  EXPECT_EQ(match_stats.arrow_hits[1], 1);
  EXPECT_EQ(match_stats.sword_hits[1], 1);
  EXPECT_EQ(match_accuracy(1), 50);
  EXPECT_EQ(match_stats.shots[2] + match_stats.arrow_hits[2] + match_stats.sword_hits[2], 0);
  EXPECT_EQ(match_accuracy(2), 0) << "no shot: no accuracy, and no division by zero";
}

// The clock goes back to 0 as the match ends: its length is read before. At speed level 1
// the step after 5000.0 takes the clock to 5000.01, past the end; 5000 units are 167 s of
// game time (30 a second).
TEST_F(MatchFigures, TheLengthIsTheClockAtTheEnd) {
  player[1].kill = 1;
  timer.time = 5000.0f;
  step({});
  ASSERT_TRUE(End);
  EXPECT_FLOAT_EQ(match_stats.length, 5000.01f);
  EXPECT_EQ(match_units(), 5000);
  EXPECT_EQ(match_seconds(), 167);
  match_stats.length = 1e30f;  // a clock only a replay can set
  EXPECT_EQ(match_units(), 0);
  EXPECT_EQ(match_seconds(), 0);
}

// The step that starts a match counts nothing of the last one: its counters fall to 0.
TEST_F(MatchFigures, ANewMatchStartsFromNothing) {
  bow_in_hand(1);
  step({'A'});
  ASSERT_EQ(match_stats.shots[1], 1);
  player[1].kill = 7;
  New = true;
  step({});
  EXPECT_EQ(match_stats.shots[1], 0);
  EXPECT_EQ(match_stats.arrow_hits[1], 0) << "the kills reset to 0 are no hits";
}

}  // namespace
