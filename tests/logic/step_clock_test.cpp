#include "flow/step_clock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The time of picture k at pictures_per_second, to the nanosecond, as a display gives it.
std::int64_t picture_time(long k, int pictures_per_second) {
  return std::llround(double(k) * NANOS_PER_SECOND / pictures_per_second);
}

// Each picture runs the steps its share of time calls for, never more than one off it, and
// every second of pictures runs exactly the level's steps: on a 60, 144 or 240 Hz display.
TEST(StepClock, StepsPerPictureFollowTheRate) {
  for (int hz : {60, 144, 240}) {
    for (int level = 1; level <= 3; level++) {
      StepClock clock;
      const int rate = step_rate(level);
      EXPECT_EQ(steps_before_picture(&clock, picture_time(0, hz), level, true), 0);
      long total = 0;
      for (long k = 1; k <= 10L * hz; k++) {
        int steps = steps_before_picture(&clock, picture_time(k, hz), level, true);
        EXPECT_LE(std::abs(steps * hz - rate), hz)
            << hz << " Hz, level " << level << ", picture " << k;
        total += steps;
        if (k % hz == 0) {
          EXPECT_EQ(total, rate * (k / hz)) << hz << " Hz, level " << level;
        }
      }
    }
  }
  // So a match of 500 time units, 501 802 steps at level 1 (the clock's single-precision
  // sum) and 10 001 at level 3, lasts its designed 167 s at either level.
  EXPECT_NEAR(501802.0 / step_rate(1), 167, 0.5);
  EXPECT_NEAR(10001.0 / step_rate(3), 167, 0.5);
  EXPECT_EQ(step_rate(2), 200);
}

// Level 3 on a 60 Hz display: one step per picture, even when pictures come up to 4 ms
// early or late.
TEST(StepClock, OneStepPerPictureDespiteJitter) {
  StepClock clock;
  steps_before_picture(&clock, 0, 3, true);
  for (long k = 1; k <= 600; k++) {
    std::int64_t jitter = (k % 3 - 1) * 4000000;  // -4, 0, +4 ms
    EXPECT_EQ(steps_before_picture(&clock, picture_time(k, 60) + jitter, 3, true), 1) << k;
  }
}

// A picture late by two seconds runs a quarter second of steps, not two seconds' worth:
// the rest is dropped, and the pictures after it go on at the rate.
TEST(StepClock, BacklogCappedAtAQuarterSecond) {
  StepClock clock;
  steps_before_picture(&clock, 0, 1, true);
  EXPECT_EQ(steps_before_picture(&clock, 2 * NANOS_PER_SECOND, 1, true), 750);
  EXPECT_EQ(clock.dropped_ns, 7 * NANOS_PER_SECOND / 4);
  EXPECT_EQ(steps_before_picture(&clock, 2 * NANOS_PER_SECOND + NANOS_PER_SECOND / 100, 1, true),
            30);
  EXPECT_EQ(clock.dropped_ns, 7 * NANOS_PER_SECOND / 4);  // on time again: nothing more let go
  // a whole day without a picture is no worse
  EXPECT_EQ(steps_before_picture(&clock, 86400 * NANOS_PER_SECOND, 2, true), 0);  // new level
  EXPECT_EQ(steps_before_picture(&clock, 2 * 86400 * NANOS_PER_SECOND, 2, true), 50);
  // a clock that went back runs nothing
  EXPECT_EQ(steps_before_picture(&clock, NANOS_PER_SECOND, 2, true), 0);
}

// Minimised, no step runs, and the time it stayed minimised is not owed afterwards. With
// --pace frame every picture after the first runs one step, however near or far apart.
TEST(StepClock, MinimisedRunsNoSteps) {
  for (Pace pace : {Pace::clock, Pace::frame}) {
    StepClock clock;
    clock.pace = pace;
    bool frame = pace == Pace::frame;
    EXPECT_EQ(steps_before_picture(&clock, 0, 1, true), 0);
    EXPECT_EQ(steps_before_picture(&clock, 1, 1, true), frame ? 1 : 0);
    EXPECT_EQ(steps_before_picture(&clock, NANOS_PER_SECOND / 60, 1, true), frame ? 1 : 50);
    for (int s = 1; s <= 10; s++)
      EXPECT_EQ(steps_before_picture(&clock, s * NANOS_PER_SECOND, 1, false), 0);
    EXPECT_EQ(steps_before_picture(&clock, 11 * NANOS_PER_SECOND, 1, true), 0);
    EXPECT_EQ(steps_before_picture(&clock, 11 * NANOS_PER_SECOND + NANOS_PER_SECOND / 60, 1, true),
              frame ? 1 : 50);
    EXPECT_EQ(steps_before_picture(&clock, 16 * NANOS_PER_SECOND, 1, true), frame ? 1 : 750);
  }
}

}  // namespace
