#include <gtest/gtest.h>

#include "fresh.h"
#include "world/world.h"

namespace {

// Places player 1 and takes one step right the way the frame does.
void step_right(float x, float y) {
  player[1].x = x;
  player[1].y = y;
  NCPfind = Buildfind = false;
  player_doprava(1);
}

TEST(Movement, WallsBlockWhenTheLeadingSideWouldTouchThem) {
  fresh_match();
  build[Build_Max++] = {1, 10, 4, -100, 2, 3};  // [10, 12] x [4, 7]
  p_krok = 0.25f;                               // exact steps, so a side can land exactly on a face
  step_right(8.75f, 5);                         // lands exactly on the face: blocked
  EXPECT_TRUE(Buildfind);
  EXPECT_FLOAT_EQ(player[1].x, 8.75f);
  step_right(8.5f, 5);
  EXPECT_FLOAT_EQ(player[1].x, 8.75f);
  step_right(8.75f, 3);  // upper side exactly on the lower face: still beside it
  EXPECT_TRUE(Buildfind);
  step_right(8.75f, 2.9f);  // clear below
  EXPECT_FALSE(Buildfind);
  build[0] = {1, -100, -100, -100, -100, -100};  // a reset record never blocks
  step_right(8.75f, 5);
  EXPECT_FALSE(Buildfind);
}

}  // namespace
