// The computer's level before a match against it: Up and Down pick, 1 to 3 pick at once,
// Space or Enter starts the match.
#include "flow/menu_screens.h"

void menu_computer_keys() {
  if (menus.opened) menus.picked = menus.options.computer_level - 1;  // the level played last
  menu_move_pick(3);
  for (int level = 1; level <= 3; level++)
    if (menu_pressed('0' + level)) menus.picked = level - 1;
  if (menu_confirmed() || menu_pressed('1' + menus.picked)) {
    menus.start_computer = menus.picked + 1;
    menu_close();
  }
}
