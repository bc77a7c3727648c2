// Steps on a clock: how many steps of the game run before each picture. Each speed level is
// a step size made for a step rate (level 1: 3000 steps a second, level 2: 200, level 3: 60),
// so a match lasts the same wall time at every level and on every display. The clock is
// given the time; it reads none itself, so it runs the same under a test's fake clock.
#pragma once

#include <cstdint>

constexpr std::int64_t NANOS_PER_SECOND = 1000000000;
// The most a picture may owe: a machine that falls further behind drops the rest, so the
// game slows down rather than jumps.
constexpr std::int64_t BACKLOG_MOST_NS = NANOS_PER_SECOND / 4;

enum class Pace {
  clock,  // steps at the level's step rate, whatever the picture rate
  frame   // one step per picture: the speed follows the picture rate
};

struct StepClock {
  Pace pace = Pace::clock;
  bool running = false;         // false before the first picture and after minimising
  std::int64_t last = 0;        // the time of the last picture, nanoseconds
  std::int64_t owed = 0;        // steps owed, in nanosteps (a step is NANOS_PER_SECOND of them)
  int rate = 0;                 // the step rate the owed steps were counted at
  std::int64_t dropped_ns = 0;  // all the time let go because the machine fell behind
};

// Steps a second at speed level 1 to 3 (anything else counts as level 1).
int step_rate(int level);

// The steps to run before the picture at time now (nanoseconds on a clock that never
// jumps back) at speed level level. shown is false while the window is minimised: then no
// step runs and the time passed is not owed later. The first picture, and the first after
// minimising, runs none: it shows the game as it stands.
int steps_before_picture(StepClock* clock, std::int64_t now, int level, bool shown);
