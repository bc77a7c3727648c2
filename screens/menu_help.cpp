// The help: both players' keys from the binding table, and the game's own keys.
#include <string>

#include "flow/menu_screens.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"

void menu_help_draw() {
  static const char* const meaning[ACTIONS] = {"hore",   "dole",        "vlavo",
                                               "vpravo", "pouzi zbran", "zmen zbran"};
  text_screen_begin();
  yellow();
  glPrint(250, 20, 0, tr("Pomoc"));
  red();
  glPrint(250, 50, 0, tr("player 1"));
  glPrint(400, 50, 0, tr("player 2"));
  for (int a = 0; a < ACTIONS; a++) {
    float y = 75 + 22 * a;
    white();
    glPrint(40, y, 0, tr(meaning[a]));
    green();
    glPrint(250, y, 0, key_name(binding(1, Action(a))));
    glPrint(400, y, 0, key_name(binding(2, Action(a))));
  }
  for (int k = 0, row = 0; k < GAME_KEYS; k++) {
    if (!menus.offered[k]) continue;
    float y = 225 + 19 * row++;
    green();
    std::string key = key_name(game_keys[k].code);
    if (k == GAME_KEY_FULL_SCREEN) key += " / Alt+Enter";
    glPrint(40, y, 0, key.c_str());
    white();
    glPrint(250, y, 0, tr(game_keys[k].what));
  }
}
