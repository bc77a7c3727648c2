// The main menu's keys: Space or Enter acts on the highlighted entry, Up and Down move it.
#include "flow/screen.h"

void main_menu_keys() {
  if (confirm_pressed()) {
    if (QNew)
      New_Nastavenia = true;
    else if (QNastavenia)
      Nastavenia = true;
    else if (QExit)
      Exit = true;
  }
  if (pressed(VK_UP, key.up)) {
    if (QExit)
      highlight(QExit, QNastavenia);
    else if (QNastavenia)
      highlight(QNastavenia, QNew);
  }
  if (pressed(VK_DOWN, key.down)) {
    if (QNew)
      highlight(QNew, QNastavenia);
    else if (QNastavenia)
      highlight(QNastavenia, QExit);
  }
}
