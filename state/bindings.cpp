// The binding table and the names of the keys.
#include "state/bindings.h"

#include <strings.h>

namespace {

struct Table {
  int code[BOUND_PLAYERS][ACTIONS];
};
constexpr Table DEFAULT_KEYS = {{{'E', 'D', 'S', 'F', 'A', 'Q'}, {'I', 'K', 'J', 'L', 'M', 'N'}}};

// The latch fields of the game's own keys for each action.
bool Skey::*const LATCHES[BOUND_PLAYERS][ACTIONS] = {
    {&Skey::e, &Skey::d, &Skey::s, &Skey::f, &Skey::a, &Skey::q},
    {&Skey::i, &Skey::k, &Skey::j, &Skey::l, &Skey::m, &Skey::n}};

Table bindings = DEFAULT_KEYS;

bool in_range(int player, int action) {
  return player >= 1 && player <= BOUND_PLAYERS && action >= 0 && action < ACTIONS;
}

// The action a key stands for in one table, and whose it is; -1 for none.
int action_in(const Table& table, int code, int* player) {
  for (int p = 0; p < BOUND_PLAYERS; p++)
    for (int a = 0; a < ACTIONS; a++)
      if (table.code[p][a] == code) {
        *player = p + 1;
        return a;
      }
  return -1;
}

struct KeyName {
  int code;
  const char* name;
};

// Every key the keyboard can give the game, by SDL's name for it. Where two keys give one
// code (both Shifts), the first name is the one shown; the key SDL calls "Application" is
// "Menu" under X11, and both names read.
constexpr KeyName KEY_NAMES[] = {
    {8, "Backspace"},    {9, "Tab"},          {VK_ENTER, "Return"},
    {16, "Left Shift"},  {16, "Right Shift"}, {17, "Left Ctrl"},
    {17, "Right Ctrl"},  {18, "Left Alt"},    {18, "Right Alt"},
    {19, "Pause"},       {20, "CapsLock"},    {VK_ESCAPE, "Escape"},
    {VK_SPACE, "Space"}, {33, "PageUp"},      {34, "PageDown"},
    {35, "End"},         {36, "Home"},        {VK_LEFT, "Left"},
    {VK_UP, "Up"},       {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},
    {44, "PrintScreen"}, {45, "Insert"},      {46, "Delete"},
    {91, "Left GUI"},    {92, "Right GUI"},   {93, "Application"},
    {93, "Menu"},        {96, "Keypad 0"},    {97, "Keypad 1"},
    {98, "Keypad 2"},    {99, "Keypad 3"},    {100, "Keypad 4"},
    {101, "Keypad 5"},   {102, "Keypad 6"},   {103, "Keypad 7"},
    {104, "Keypad 8"},   {105, "Keypad 9"},   {106, "Keypad *"},
    {107, "Keypad +"},   {109, "Keypad -"},   {110, "Keypad ."},
    {111, "Keypad /"},   {112, "F1"},         {113, "F2"},
    {114, "F3"},         {115, "F4"},         {116, "F5"},
    {117, "F6"},         {118, "F7"},         {119, "F8"},
    {120, "F9"},         {121, "F10"},        {122, "F11"},
    {123, "F12"},        {144, "Numlock"},    {145, "ScrollLock"},
    {186, ";"},          {187, "="},          {188, ","},
    {189, "-"},          {190, "."},          {191, "/"},
    {192, "`"},          {219, "["},          {220, "\\"},
    {221, "]"},          {222, "'"},          {VK_ENTER, "Keypad Enter"},
};

// The one-character names of letters and digits, kept so key_name can hand out a pointer.
char single[KEY_CODES][2];

}  // namespace

void binding_defaults() {
  bindings = DEFAULT_KEYS;
}

int binding(int player, Action action) {
  return in_range(player, action) ? bindings.code[player - 1][action] : 0;
}

bool set_binding(int player, Action action, int code) {
  if (!in_range(player, action) || code < 1 || code >= KEY_CODES) return false;
  bindings.code[player - 1][action] = code;
  return true;
}

int bound_action(int code, int* player) {
  return action_in(bindings, code, player);
}

bool key_reserved(int code) {
  constexpr int VK_ALT = 18, VK_F8 = 119, VK_F11 = 122;
  static const int reserved[] = {VK_ESCAPE, VK_ENTER, VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT,
                                 VK_DOWN,   VK_F8,    VK_F11,   VK_ALT,  'H'};
  for (int r : reserved)
    if (code == r) return true;
  return false;
}

int game_key(int player, Action action) {
  return in_range(player, action) ? DEFAULT_KEYS.code[player - 1][action] : 0;
}

int game_action(int code, int* player) {
  return action_in(DEFAULT_KEYS, code, player);
}

void keyboard_to_game(const bool keyboard[KEY_CODES], bool record[KEY_CODES]) {
  int player = 0;
  for (int code = 1; code < KEY_CODES; code++) {
    if (!keyboard[code]) continue;
    int action = bound_action(code, &player);
    if (action >= 0) record[game_key(player, Action(action))] = true;
    if (game_action(code, &player) < 0) record[code] = true;
  }
}

bool Skey::*action_latch(int player, Action action) {
  return in_range(player, action) ? LATCHES[player - 1][action] : nullptr;
}

const char* key_name(int code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
    single[code][0] = static_cast<char>(code);
    return single[code];
  }
  for (const KeyName& k : KEY_NAMES)
    if (k.code == code) return k.name;
  return "";
}

int key_code(const char* name) {
  if (!name || !name[0]) return 0;
  if (!name[1]) {
    char c = name[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  }
  for (const KeyName& k : KEY_NAMES)
    if (strcasecmp(k.name, name) == 0) return k.code;
  return 0;
}
