// The kept matches: a page of their names and arenas, the one picked highlighted, and the keys.
#include <string>

#include "flow/menu_screens.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"

void menu_recordings_draw() {
  text_screen_begin();
  yellow();
  glPrint(250, 30, 0, tr("Zaznamy"));
  int count = static_cast<int>(menus.listed.size());
  white();
  if (!count) glPrint(60, 100, 0, tr("Ziadne zaznamy: kazdy zapas sa zapise sam."));
  for (int row = menus.first; row < count && row < menus.first + MENU_LIST_SHOWN; row++) {
    if (row == menus.picked)
      cyan();
    else
      green();
    const float y = 80 + 28 * (row - menus.first);
    glPrint(40, y, 0, menus.listed[row].c_str());
    // the arena it was played on, after the name (the longest name ends by x 440)
    if (row < static_cast<int>(menus.listed_arenas.size()) && !menus.listed_arenas[row].empty()) {
      lila();
      const std::string arena = tr(menus.listed_arenas[row].c_str());
      glPrintScaled(450, y + 3, 0.75f, arena.substr(0, 24).c_str());
    }
  }
  white();
  glPrint(20, 400, 0, tr("Sipky vyber, Medzernik pozri, Esc spat"));
  glPrint(20, 430, 0, tr("Pri pozerani: Medzernik pauza, sipky 10 s, + - tempo, Esc spat"));
}
