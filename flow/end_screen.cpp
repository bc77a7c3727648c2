// The end screen's keys.
#include "flow/frame_input.h"
#include "flow/screen.h"

// Space goes back to the main menu (its latch stays clear).
void end_screen_keys() {
  if (step_holds(VK_SPACE) && !key.space) {
    start = true;
    End = false;
  }
}
