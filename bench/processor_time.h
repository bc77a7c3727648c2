// What the benches measure with: processor time of this process, seconds, the figure a busy
// machine does not change.
#pragma once

#include <time.h>

inline double processor_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}
