// The screen flow: the screen table, each screen's keys, and the keys that move between
// screens.
#include <cstring>

#include "combat/combat.h"
#include "flow/frame_input.h"
#include "flow/game.h"
#include "flow/match_stats.h"
#include "flow/screen.h"
#include "state/game_random.h"
#include "state/language.h"
#include "state/lybrary3.h"
#include "state/speed_levels.h"
#include "world/world.h"

ControlsScreen controls;

namespace {

// True once per press: the key is down and its latch still clear; sets the latch.
bool pressed(int code, bool& latch) {
  if (!step_holds(code) || latch) return false;
  latch = true;
  return true;
}

// Moves a menu highlight from one entry to the next.
void highlight(bool& from, bool& to) {
  from = false;
  to = true;
}

// Steps an avatar colour through 1..6, wrapping at both ends.
void colour_down(int& color) {
  if (--color < 1) color = 6;
}
void colour_up(int& color) {
  if (++color > 6) color = 1;
}

// Space or Enter, once per press. Both latch in play too, so one held from play does not
// act on the screen that comes after it.
bool confirm_pressed() {
  bool space = step_holds(VK_SPACE) && !key.space;
  bool enter = step_holds(VK_ENTER) && !key.enter;
  if (!space && !enter) return false;
  key.space = true;
  key.enter = true;
  return true;
}

// The main menu: Space or Enter acts on the highlighted entry, Up and Down move it.
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

// The pause menu: Space or Enter acts on the highlighted entry, Up and Down move it.
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

// In play Space and Enter only latch; the players' keys are play_keys.
void play_screen_keys() {
  confirm_pressed();
}

// The colour screen: each player's left and right step his avatar, Space starts the match.
void colour_keys() {
  for (int numb = 1; numb <= BOUND_PLAYERS; numb++) {
    if (pressed(game_key(numb, ACTION_LEFT), key.*action_latch(numb, ACTION_LEFT)))
      colour_down(player[numb].color);
    if (pressed(game_key(numb, ACTION_RIGHT), key.*action_latch(numb, ACTION_RIGHT)))
      colour_up(player[numb].color);
  }
  // Space leaves without setting its latch, so a held Space reaches play.
  if (step_holds(VK_SPACE) && !key.space) {
    New_Nastavenia = false;
    New = true;
  }
}

// The speed screen: the digit keys act in every frame they are held.
void speed_keys() {
  if (step_holds('1')) set_speed_level(1);
  if (step_holds('2')) set_speed_level(2);
  if (step_holds('3')) set_speed_level(3);
}

// Space on the end screen goes back to the main menu (its latch stays clear).
void end_screen_keys() {
  if (step_holds(VK_SPACE) && !key.space) {
    start = true;
    End = false;
  }
}

bool controls_seen[KEY_CODES];  // the keys held at the controls screen's last picture
const bool* controls_keyboard = controls_seen;  // the keyboard as this picture holds it

// True once per press, on the controls screen, where any key may be the one pressed.
bool went_down(int code) {
  return controls_keyboard[code] && !controls_seen[code];
}

// The key pressed while waiting: bound (and left for the game to save), or refused with a
// short message. Esc keeps the old key.
void take_new_key() {
  for (int code = 1; code < KEY_CODES; code++) {
    if (!went_down(code)) continue;
    controls.waiting = false;
    if (code == VK_ESCAPE) return;
    int player = controls.picked / ACTIONS + 1, holder = 0;
    Action action = Action(controls.picked % ACTIONS);
    int held_by = bound_action(code, &holder);
    if (key_reserved(code) || !*key_name(code)) {
      controls.refusal = tr("Tuto klavesu pouziva hra.");
    } else if (held_by >= 0 && (holder != player || held_by != action)) {
      controls.refusal = tr("Tato klavesa uz je obsadena.");
    } else {
      set_binding(player, action, code);
      controls.unsaved[player - 1][action] = true;
    }
    return;
  }
}

// The controls screen: the arrows move the pick (left and right between the players), Enter
// acts, Esc leaves. It reads Esc itself, since Esc is also the answer that keeps a key.
void controls_keys() {
  if (controls.waiting) return take_new_key();
  if (went_down(VK_ESCAPE)) {
    controls.shown = false;
    key.esc = true;  // the same press must not close the colour screen too
    return;
  }
  int& picked = controls.picked;
  int was = picked;
  if (went_down(VK_UP) && picked > 0) picked--;
  if (went_down(VK_DOWN) && picked < CONTROLS_DEFAULTS) picked++;
  if (went_down(VK_LEFT) && picked >= ACTIONS && picked < CONTROLS_DEFAULTS) picked -= ACTIONS;
  if (went_down(VK_RIGHT) && picked < ACTIONS) picked += ACTIONS;
  if (picked != was) controls.refusal = nullptr;
  if (!went_down(VK_ENTER)) return;
  controls.refusal = nullptr;
  if (picked != CONTROLS_DEFAULTS) {
    controls.waiting = true;
    return;
  }
  binding_defaults();
  for (auto& row : controls.unsaved)
    for (bool& unsaved : row) unsaved = true;
}

// Esc in play, or on the end screen: the pause menu, Return highlighted.
void pause_match() {
  Menu = true;
  QReturn = true;
}

// Each screen's flag, keys and Esc, topmost first.
struct ScreenRule {
  bool* flag;         // holds it open; null for play, open when no other screen is
  void (*keys)();     // its own keys, read in every step it is up
  void (*escape)();   // Esc on it; null: Esc does nothing there
  bool players_keys;  // the players' keys act under it (while move says the match runs)
};
const ScreenRule SCREEN_RULES[] = {
    {&controls.shown, controls_keys, nullptr, false},
    {&Help, nullptr, [] { Help = false; }, false},
    {&Info, nullptr, [] { Info = false; }, false},
    {&Nastavenia, speed_keys, [] { Nastavenia = false; }, false},
    {&End, end_screen_keys, pause_match, false},
    {&New_Nastavenia, colour_keys, [] { New_Nastavenia = false; }, false},
    // For one step after the end screen the main menu is up over a running match.
    {&Start_Menu, main_menu_keys, nullptr, true},
    {&Menu, pause_menu_keys, nullptr, true},
    {nullptr, play_screen_keys, pause_match, true},
};
static_assert(sizeof SCREEN_RULES / sizeof SCREEN_RULES[0] == SCREENS, "every screen has a row");

}  // namespace

Screen screen_up() {
  int s = 0;
  while (s < SCREEN_PLAY && !*SCREEN_RULES[s].flag) s++;
  return Screen(s);
}

void screen_keys() {
  Screen up = screen_up();
  if (SCREEN_RULES[up].players_keys) play_keys();
  if (SCREEN_RULES[up].keys) SCREEN_RULES[up].keys();
  Screen over = screen_up();
  if (over < up && SCREEN_RULES[over].keys) SCREEN_RULES[over].keys();
}

bool controls_screen_keys(const bool keyboard[KEY_CODES]) {
  controls_keyboard = keyboard;
  if (controls.shown) {
    screen_keys();
  } else if (screen_up() == SCREEN_COLOUR && went_down(VK_ENTER)) {
    controls.shown = true;
    controls.picked = 0;
    controls.waiting = false;
    controls.refusal = nullptr;
  }
  std::memcpy(controls_seen, keyboard, sizeof controls_seen);
  controls_keyboard = controls_seen;
  return controls.shown;
}

void screen_escape() {
  if (!pressed(VK_ESCAPE, key.esc)) return;
  Screen up = screen_up();
  if (SCREEN_RULES[up].escape) SCREEN_RULES[up].escape();
}

// Sets the arrow step, the walking step and the level marked on the speed screen.
void set_speed_level(int level) {
  if (level < 1 || level > SPEED_LEVELS) return;
  r_p = speed_level_row(level).step_size;
  p_krok = r_p * 0.1f;
  Q_1 = level == 1;
  Q_2 = level == 2;
  Q_3 = level == 3;
}

int speed_level() {
  return Q_3 ? 3 : Q_2 ? 2 : 1;
}

// I opens the credits over either menu.
void credits_key() {
  if ((Start_Menu || Menu) && !Help && pressed('I', key.i)) Info = true;
}

// H opens the description over anything.
void description_key() {
  if (pressed('H', key.h)) Help = true;
}

// Opens the main menu: New highlighted, default colours.
static void open_main_menu() {
  Start_Menu = true;
  QNew = true;
  start = false;
  Menu = false;
  End = false;
  player[1].color = 1;
  player[2].color = 2;
  player[1].play = true;
  player[2].play = true;
}

// The pending requests, in their fixed order: main menu, new match, resume.
void handle_requests() {
  if (start) open_main_menu();
  if (New) {
    New_game_set();
    match_stats_reset();
    // a match given its own seed drops its own bows
    match_seed_apply();
    New = false;
    Start_Menu = false;
    move = true;
    sector_set();
  }
  if (Return) {
    Return = false;
    Menu = false;
    move = true;
  }
}
