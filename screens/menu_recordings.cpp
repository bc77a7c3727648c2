// The kept matches: a page of their names, the one picked highlighted, and the keys.
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
    glPrint(40, 80 + 28 * (row - menus.first), 0, menus.listed[row].c_str());
  }
  white();
  glPrint(20, 400, 0, tr("Sipky vyber, Medzernik pozri, Esc spat"));
  glPrint(20, 430, 0, tr("Pri pozerani: Medzernik pauza, sipky 10 s, + - tempo, Esc spat"));
}
