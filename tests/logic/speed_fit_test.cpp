#include "flow/speed_fit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The boundaries lie where the ratios to the neighbouring design rates are equal
// (60 x 1.83 ~ 110 ~ 200 / 1.83, 200 x 3.87 ~ 775 ~ 3000 / 3.87).
TEST(SpeedFit, LevelNearestByRatio) {
  const struct {
    double rate;
    int level;
  } cases[] = {{109.99, 3}, {110, 2}, {774.99, 2}, {775, 1}, {INFINITY, 1}, {0, 3}, {NAN, 3}};
  for (const auto& c : cases) EXPECT_EQ(speed_level_for_rate(c.rate), c.level) << c.rate;
}

// Frames at the given interval from time t; returns the frame that completed the measure.
int feed(FrameMeter* meter, double* t, double interval, int frames) {
  for (int i = 1; i <= frames; i++) {
    *t += interval;
    if (meter_frame(meter, *t)) return i;
  }
  return 0;
}

// The slow first frames are left out; then half a second of the clock is counted, and a
// frame now and then held up by a busy machine costs the rate what it cost the player.
TEST(SpeedFit, FramesCountedOverHalfASecond) {
  FrameMeter meter = {};
  double t = 100;
  EXPECT_EQ(feed(&meter, &t, 0.5, METER_SKIP + 1), 0);  // loading, then the first counted
  EXPECT_DOUBLE_EQ(meter_rate(meter), 0);
  EXPECT_EQ(feed(&meter, &t, 1 / 144.0, 71), 0);
  EXPECT_NEAR(meter_rate(meter), 144, 0.01);
  t += 0.05;  // one stall of 50 ms among the frames at 144 a second: 144 / 1.1 = 131
  EXPECT_EQ(feed(&meter, &t, 1 / 144.0, 100), 1);
  EXPECT_NEAR(meter_rate(meter), 72.0 / 0.55, 0.01);
  EXPECT_EQ(speed_level_for_rate(meter_rate(meter)), 2);
  EXPECT_TRUE(meter_frame(&meter, t + 60));  // complete: later frames change nothing
  EXPECT_NEAR(meter_rate(meter), 72.0 / 0.55, 0.01);
}

// 4 frames a second decide after half a second; a frame in 2 s, after the first counted one.
TEST(SpeedFit, SlowMachinesDecideAtOnce) {
  FrameMeter meter = {};
  double t = 0;
  EXPECT_EQ(feed(&meter, &t, 0.25, 100), METER_SKIP + 1 + 2);
  EXPECT_NEAR(meter_rate(meter), 4, 1e-9);
  FrameMeter slow = {};
  EXPECT_EQ(feed(&slow, &t, 2, 100), METER_SKIP + 2);
  EXPECT_EQ(speed_level_for_rate(meter_rate(slow)), 3);
}

// Frames the clock cannot tell apart end after METER_MOST, as the fastest machine, not no rate.
TEST(SpeedFit, FramesFasterThanTheClock) {
  FrameMeter meter = {};
  double t = 5;
  EXPECT_EQ(feed(&meter, &t, 0, 100000), METER_SKIP + 1 + METER_MOST);
  EXPECT_EQ(speed_level_for_rate(meter_rate(meter)), 1);
}

}  // namespace
