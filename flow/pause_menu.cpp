// The pause menu's keys: Space or Enter acts on the highlighted entry, Up and Down move it.
#include "flow/screen.h"

void pause_menu_keys() {
  if (confirm_pressed()) {
    if (QReturn) {
      Return = true;
    } else if (QNastavenia) {
      Nastavenia = true;
    } else if (QEnd) {
      start = true;
      QEnd = false;
    }
  }
  if (pressed(VK_UP, key.up)) {
    if (QEnd)
      highlight(QEnd, QNastavenia);
    else if (QNastavenia)
      highlight(QNastavenia, QReturn);
  }
  if (pressed(VK_DOWN, key.down)) {
    if (QReturn)
      highlight(QReturn, QNastavenia);
    else if (QNastavenia)
      highlight(QNastavenia, QEnd);
  }
}
