// The pause menu: Return, Nastavenia, End over the flag; the match waits underneath.
#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/lybrary3.h"

void pause_menu_draw() {
  menu_title();
  menu_backdrop();
  menu_entry_colour(QReturn);
  glPrint(300, 100, 0, "Return");
  menu_entry_colour(QNastavenia);
  glPrint(270, 130, 0, "Nastavenia");
  menu_entry_colour(QEnd);
  glPrint(300, 160, 0, "End");
}
