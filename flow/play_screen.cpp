// The match's own keys; the players' keys are play_keys (flow/frame.cpp).
#include "flow/screen.h"

// In play Space and Enter only latch, so one held from play does not act on the screen that
// comes after it.
void play_screen_keys() {
  confirm_pressed();
}
