// The start level fitted to this machine. The pick comes before any match can start: the
// measure only runs while the main menu alone is up, and leaving it decides at once.
#include "game/speed_fit.h"

#include <chrono>

#include "flow/screen.h"
#include "flow/speed_fit.h"
#include "game/input.h"
#include "platform/platform.h"
#include "state/lybrary3.h"

static bool picked;
static FrameMeter meter;

// Seconds on a clock that never jumps.
static double now_seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// A level from the command line stands; a display that paces the frames gives its rate now.
void speed_fit_start(int command_line_level) {
  picked = command_line_level != 0;
  if (picked) return;
  double refresh = DisplayPacedRate();
  if (refresh <= 0) return;
  apply_speed_level(speed_level_for_rate(refresh));
  picked = true;
}

// Counts the main menu's frames; sets the level once they tell the rate or the menu is left.
void speed_fit_before_frame() {
  if (picked) return;
  // The first frame opens the main menu (start is still set before it).
  bool main_menu_alone = start || screen_up() == SCREEN_MAIN_MENU;
  if (main_menu_alone && !meter_frame(&meter, now_seconds())) return;
  double rate = meter_rate(meter);
  if (rate > 0) apply_speed_level(speed_level_for_rate(rate));
  picked = true;
}
