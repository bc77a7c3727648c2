// The arena list, over the colour screen: Up and Down pick, Space or Enter plays the one
// picked from the next match on. The pick may rest on an arena that cannot be played, whose
// reason is shown beside it, but Space and Enter do nothing there.
#include "flow/menu_screens.h"

namespace {

// Whether the list's row can be chosen: "any arena" always, an arena when it can be played.
bool choosable(int row) {
  return row == 0 ||
         (row > 0 && row <= static_cast<int>(menus.arenas.size()) && menus.arenas[row - 1].usable);
}

}  // namespace

void menu_arenas_keys() {
  const int rows = static_cast<int>(menus.arenas.size()) + 1;
  menu_move_pick(rows);
  if (menu_confirmed() && choosable(menus.picked)) menus.choose_arena = menus.picked;
}
