// How many steps the time since the last picture calls for.
#include "flow/step_clock.h"

#include <algorithm>

int step_rate(int level) {
  switch (level) {
    case 2: return 200;
    case 3: return 60;
    default: return 3000;
  }
}

// The owed steps are counted exactly, in whole nanosteps, so no rounding drifts the pace.
// They start half a step in credit: a display whose pictures come at the step rate (or a
// multiple of it) then lands each step half way between two pictures, where the jitter of
// real pictures cannot give one picture two steps and the next none.
int steps_before_picture(StepClock* clock, std::int64_t now, int level, bool shown) {
  if (!shown) {
    clock->running = false;
    return 0;
  }
  int rate = step_rate(level);
  if (!clock->running || rate != clock->rate) {
    // a new level keeps the part step already owed, counted at the new rate
    bool keep = clock->running;
    clock->owed = keep ? clock->owed % NANOS_PER_SECOND : NANOS_PER_SECOND / 2;
    clock->running = true;
    clock->rate = rate;
    clock->last = now;
    if (!keep) return 0;
  }
  if (clock->pace == Pace::frame) {
    clock->last = now;
    return 1;
  }
  std::int64_t passed = std::clamp<std::int64_t>(now - clock->last, 0, BACKLOG_MOST_NS);
  if (now - clock->last > passed) clock->dropped_ns += now - clock->last - passed;
  clock->last = now;
  const std::int64_t most = BACKLOG_MOST_NS * rate + NANOS_PER_SECOND / 2;
  clock->owed += passed * rate;
  if (clock->owed > most) {
    clock->dropped_ns += (clock->owed - most) / rate;
    clock->owed = most;
  }
  int steps = static_cast<int>(clock->owed / NANOS_PER_SECOND);
  clock->owed -= std::int64_t(steps) * NANOS_PER_SECOND;
  return steps;
}
