// The speed level that fits this machine, from the frames a second it draws.
#include "flow/speed_fit.h"

#include <limits>

// The level whose design rate (3000, 200, 60 a second) is nearest by ratio.
int speed_level_for_rate(double frames_per_second) {
  if (!(frames_per_second >= 110)) return 3;  // NaN lands here too
  if (frames_per_second < 775) return 2;
  return 1;
}

// Notes one frame's start; counting ends after METER_SPAN seconds or METER_MOST frames.
bool meter_frame(FrameMeter* meter, double now) {
  if (meter->done) return true;
  meter->frames++;
  if (meter->frames <= METER_SKIP) return false;
  if (meter->frames == METER_SKIP + 1) {
    meter->first = meter->last = now;
    return false;
  }
  meter->counted++;
  meter->last = now;
  meter->done = now - meter->first >= METER_SPAN || meter->counted >= METER_MOST;
  return meter->done;
}

// Frames counted over the time they took.
double meter_rate(const FrameMeter& meter) {
  if (meter.counted == 0) return 0;
  double elapsed = meter.last - meter.first;
  // Frames closer together than the clock can tell apart: as fast as any machine gets.
  if (elapsed <= 0) return std::numeric_limits<double>::infinity();
  return meter.counted / elapsed;
}
