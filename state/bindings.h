// The players' keys, two tables. The game's own keys (E D S F A Q, I K J L M N) never
// change: they are what the input record holds for the players' actions, so the frame, the
// pads, the computer, recordings and online play read them alone. The keyboard's keys are
// the players' choice: the settings, the controls screen and the texts name them, and the
// keyboard's keys are turned into the game's own before they reach a record. Key codes are the
// game's own (letters and digits are their upper-case characters, VK_* for the others), never a
// window system's.
#pragma once

#include "state/lybrary3.h"

// The codes of the keys the game reads by name (letters and digits are their own
// upper-case character codes).
constexpr int VK_ENTER = 13;
constexpr int VK_ESCAPE = 27;
constexpr int VK_SPACE = 32;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr int VK_PAD_PLUS = 107;
constexpr int VK_PAD_MINUS = 109;
constexpr int VK_PLUS = 187;  // the main keyboard's = and + key
constexpr int VK_MINUS = 189;

// The keys a replay script names by word (letters and digits are their own character).
struct NamedKey {
  const char* name;
  int code;
};
constexpr NamedKey NAMED_KEYS[] = {{"SPACE", VK_SPACE}, {"ENTER", VK_ENTER}, {"ESC", VK_ESCAPE},
                                   {"UP", VK_UP},       {"DOWN", VK_DOWN},   {"LEFT", VK_LEFT},
                                   {"RIGHT", VK_RIGHT}};

// What a player can do, in the order the settings and the texts list them.
enum Action {
  ACTION_UP,
  ACTION_DOWN,
  ACTION_LEFT,
  ACTION_RIGHT,
  ACTION_USE,
  ACTION_CHANGE,
  ACTIONS
};

constexpr int BOUND_PLAYERS = 2;  // players 1 and 2

// Both players' keys back to the game's own: E D S F A Q and I K J L M N.
void binding_defaults();
// Keys the game itself reads everywhere (Esc, Enter, Space, the arrows, F8, F11, Alt, and
// H, which opens the description over anything): never a player's.
bool key_reserved(int code);
// The keyboard key player (1 or 2) presses for action; 0 for anything out of range.
int binding(int player, Action action);
// Binds action of player (1 or 2) to code (1 to KEY_CODES - 1); false, and nothing
// changed, for anything out of range.
bool set_binding(int player, Action action, int code);
// Which player and action keyboard key code is bound to: the action, with *player set; -1
// when it is nobody's key.
int bound_action(int code, int* player);

// The game's own key for player's (1 or 2) action, whatever the keyboard is bound to; 0 for
// anything out of range.
int game_key(int player, Action action);
// Which player and action the game's own key code stands for, as bound_action.
int game_action(int code, int* player);
// The keys the keyboard holds (keyboard) as the record holds them (set in record, never
// cleared): a bound key presses the game's own key for its action; the game's own keys
// bound to nothing, or to another action, press nothing by themselves; every other key is
// itself.
void keyboard_to_game(const bool keyboard[KEY_CODES], bool record[KEY_CODES]);

// The latch field the frame keeps for each player's action (the latch table itself stays
// one field per key: these are the fields of the game's own keys).
bool Skey::*action_latch(int player, Action action);

// The key's name as players read it and the settings write it (SDL's names: "E", "Up",
// "Space", "Keypad 8"); "" for a code without a name.
const char* key_name(int code);
// The code of a key name (as key_name writes it, any letter case); 0 for none.
int key_code(const char* name);
