#include "flow/menu_screens.h"

#include <cstring>

#include "flow/screen.h"

MenuScreens menus;

GameKey menu_up() {
  return menus.depth ? menus.stack[menus.depth - 1] : GAME_KEYS;
}

void menu_open(GameKey menu) {
  if (menus.depth == MENU_DEPTH) return;
  menus.stack[menus.depth++] = menu;
  menus.picked = menus.first = 0;
  menus.opened = true;
}

void menu_close() {
  if (menus.depth) menus.depth--;
  menus.keeps_escape = false;
  menus.picked = menus.first = 0;
}

bool menu_pressed(int code) {
  return code > 0 && code < KEY_CODES && menus.keyboard[code] && !menus.seen[code];
}

bool menu_move_pick(int rows) {
  int was = menus.picked;
  if (menu_pressed(VK_UP) && menus.picked > 0) menus.picked--;
  if (menu_pressed(VK_DOWN) && menus.picked + 1 < rows) menus.picked++;
  if (menus.picked < menus.first) menus.first = menus.picked;
  if (menus.picked >= menus.first + MENU_LIST_SHOWN)
    menus.first = menus.picked - MENU_LIST_SHOWN + 1;
  return menus.picked != was;
}

bool menu_confirmed() {
  return menu_pressed(VK_SPACE) || menu_pressed(VK_ENTER);
}

int menu_left_right() {
  // a pad presses its player's own left and right, never the arrows
  auto either = [](Action a) {
    return menu_pressed(game_key(1, a)) || menu_pressed(game_key(2, a));
  };
  if (menu_pressed(VK_LEFT) || either(ACTION_LEFT)) return -1;
  if (menu_pressed(VK_RIGHT) || either(ACTION_RIGHT)) return 1;
  return 0;
}
