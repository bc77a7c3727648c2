// The kept matches, newest first: Up and Down pick, Space or Enter watches the one picked.
#include "flow/menu_screens.h"

void menu_recordings_keys() {
  menu_move_pick(static_cast<int>(menus.listed.size()));
  if (menu_confirmed() && menus.picked < static_cast<int>(menus.listed.size()))
    menus.watch = menus.picked;
}
