// The description screen: H opens it over anything, and only Esc (the table's) closes it.
#include "flow/game.h"
#include "flow/screen.h"

void description_keys() {}

// H opens the description over anything.
void description_key() {
  if (pressed('H', key.h)) Help = true;
}
