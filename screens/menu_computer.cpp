// The computer's level: three levels, the one picked highlighted, and the keys that work it.
#include "flow/menu_screens.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"

void menu_computer_draw() {
  static const char* const levels[3] = {"1  lahky", "2  stredny", "3  tazky"};
  text_screen_begin();
  yellow();
  glPrint(200, 30, 0, tr("Proti pocitacu"));
  white();
  glPrint(120, 90, 0, tr("Zvol si uroven pocitaca:"));
  for (int level = 0; level < 3; level++) {
    if (level == menus.picked)
      cyan();
    else
      green();
    glPrint(250, 140 + 40 * level, 0, tr(levels[level]));
  }
  white();
  glPrint(20, 400, 0, tr("Sipky a 1 2 3 vyber, Medzernik start, Esc spat"));
}
