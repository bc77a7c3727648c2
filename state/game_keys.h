// The game's own keys beyond the players': the main menu's letters for the game's further
// entries, the keys that act everywhere, and the colour screen's key for the arena list. One
// table: the menu, the help overlay and the texts all read it, so a key named on a screen is
// the key that acts.
#pragma once

#include "state/bindings.h"

constexpr int VK_F1 = 112;
constexpr int VK_F8 = 119;
constexpr int VK_F11 = 122;

enum GameKey {
  // the main menu's letters, in the order its entries are listed
  GAME_KEY_COMPUTER,    // a match against the computer
  GAME_KEY_HOST,        // host an online game
  GAME_KEY_JOIN,        // join one
  GAME_KEY_RECORDINGS,  // the kept matches
  GAME_KEY_OPTIONS,     // volume, language, window, speed, the computer's level, controls
  GAME_KEY_EDITOR,      // the arena editor
  MENU_LETTERS,
  // the keys that act on every screen
  GAME_KEY_HELP = MENU_LETTERS,  // the help overlay
  GAME_KEY_MUTE,                 // sound off and on
  GAME_KEY_FULL_SCREEN,          // full screen or window (Alt+Enter too)
  GAME_KEY_DESCRIPTION,          // the game's description
  GAME_KEY_CREDITS,              // the credits, from a menu
  GAME_KEY_PAUSE,                // the pause menu in a match, back elsewhere
  // the colour screen's own key
  GAME_KEY_ARENAS,  // the arena list: which arena the matches are played on
  GAME_KEYS
};

struct GameKeyRow {
  int code;          // the game's key code (letters are their upper-case characters)
  const char* what;  // what it does, a catalog message id
};
extern const GameKeyRow game_keys[GAME_KEYS];

// The main menu's letter entry that key code opens; -1 for none.
int menu_letter(int code);
