// The credits screen: I opens it over either menu, and only Esc (the table's) closes it.
#include "flow/game.h"
#include "flow/screen.h"

void credits_keys() {}

// I opens the credits over either menu.
void credits_key() {
  if ((Start_Menu || Menu) && !Help && pressed('I', key.i)) Info = true;
}
