// The main menu: New, Nastavenia, Exit over the flag, with the credits hint.
#include <string>

#include "flow/menu_screens.h"
#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/game_keys.h"
#include "state/language.h"
#include "state/lybrary3.h"

void main_menu_draw() {
  menu_title();
  menu_backdrop();
  yellow();
  glPrint(10, 420, 0, "Info (I)");
  menu_entry_colour(QNew);
  glPrint(300, 100, 0, "New");
  menu_entry_colour(QNastavenia);
  glPrint(270, 130, 0, tr("Nastavenia"));
  menu_entry_colour(QExit);
  glPrint(300, 160, 0, "Exit");
  // the game's own entries under the flag, each with its letter, in two columns
  white();
  for (int k = 0, shown = 0; k < MENU_LETTERS; k++) {
    if (!menus.offered[k]) continue;
    std::string entry =
        std::string(tr(game_keys[k].what)) + " (" + key_name(game_keys[k].code) + ")";
    glPrint(shown % 2 ? 420 : 130, 395 + 25 * (shown / 2), 0, entry.c_str());
    shown++;
  }
}
