// The main menu's letters avoid both players' default keys, so a player pressing his own key
// on the menu never opens anything.
#include "state/game_keys.h"

const GameKeyRow game_keys[GAME_KEYS] = {
    {'C', "Proti pocitacu"},
    {'O', "Hostit hru"},
    {'P', "Pripojit sa"},
    {'R', "Zaznamy"},
    {'V', "Volby"},
    {'T', "Tvorba areny"},
    {VK_F1, "Pomoc"},
    {VK_F8, "Zvuk vyp/zap"},
    {VK_F11, "Cela obrazovka alebo okno"},
    {'H', "Popis hry"},
    {'I', "Info"},
    {VK_ESCAPE, "Pauza / spat"},
    {'B', "Vyber areny"},
};

int menu_letter(int code) {
  for (int k = 0; k < MENU_LETTERS; k++)
    if (game_keys[k].code == code) return k;
  return -1;
}
