// The help over any screen: F1 opens it and closes it again, as Esc does.
#include "flow/menu_screens.h"

void menu_help_keys() {
  if (menu_pressed(VK_F1)) menu_close();
}
