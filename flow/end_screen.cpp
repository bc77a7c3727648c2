// The end screen's keys.
#include "flow/screen.h"

// Space goes back to the main menu (its latch stays clear).
void end_screen_keys() {
  if (keys[VK_SPACE] && !key.space) {
    start = true;
    End = false;
  }
}
