// The options: Up and Down pick a row, Left and Right (or Space) change its value; the
// controls row opens the controls screen.
#include "flow/menu_screens.h"

namespace {

int clamped(int value, int low, int high) {
  return value < low ? low : value > high ? high : value;
}

}  // namespace

void menu_options_keys() {
  menu_move_pick(OPTION_ROWS);
  int step = menu_left_right();
  bool confirmed = menu_confirmed();
  if (!step && !confirmed) return;
  if (!step) step = 1;  // Space and Enter go on to the next value, round
  Options& o = menus.options;
  switch (menus.picked) {
    case OPTION_VOLUME: o.volume = clamped(o.volume + 10 * step, 0, 100); break;
    case OPTION_MUTED: o.muted = !o.muted; break;
    case OPTION_LANGUAGE: o.language = o.language == "en" ? "sk" : "en"; break;
    case OPTION_FULLSCREEN: o.fullscreen = !o.fullscreen; break;
    case OPTION_SPEED: o.speed = confirmed ? o.speed % 3 + 1 : clamped(o.speed + step, 1, 3); break;
    case OPTION_COMPUTER:
      o.computer_level =
          confirmed ? o.computer_level % 3 + 1 : clamped(o.computer_level + step, 1, 3);
      break;
    case OPTION_CONTROLS:
      if (confirmed) menus.open_controls = true;
      break;
  }
}
