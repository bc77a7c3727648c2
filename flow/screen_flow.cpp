// The screen flow: the screen table's keys, Esc, and the requests that move between screens.
// Each screen's own keys are in its file, flow/NAME.cpp, named by its row of the table.
#include "combat/combat.h"
#include "flow/game.h"
#include "flow/match_stats.h"
#include "flow/screen.h"
#include "state/game_random.h"
#include "state/lybrary3.h"
#include "world/world.h"

#define SCREEN_KEYS(id, file, flag, escape, players_keys) void file##_keys();
DESCRIBED_SCREENS(SCREEN_KEYS)
#undef SCREEN_KEYS
void play_screen_keys();

namespace {

// Each screen's keys and Esc, in the table's order, then play's.
struct ScreenRule {
  void (*keys)();       // its own keys, read in every step it is up
  ScreenEscape escape;  // what Esc does on it
  bool players_keys;    // the players' keys act under it (while move says the match runs)
};
const ScreenRule SCREEN_RULES[] = {
#define SCREEN_RULE(id, file, flag, escape, players_keys) {file##_keys, escape, players_keys},
    DESCRIBED_SCREENS(SCREEN_RULE)
#undef SCREEN_RULE
        {play_screen_keys, ESC_PAUSES, true},
};
static_assert(sizeof SCREEN_RULES / sizeof SCREEN_RULES[0] == SCREENS, "every screen has a row");

}  // namespace

bool pressed(int code, bool& latch) {
  if (!keys[code] || latch) return false;
  latch = true;
  return true;
}

void highlight(bool& from, bool& to) {
  from = false;
  to = true;
}

// Both latch in play too, so one held from play does not act on the screen that comes after.
bool confirm_pressed() {
  bool space = keys[VK_SPACE] && !key.space;
  bool enter = keys[VK_ENTER] && !key.enter;
  if (!space && !enter) return false;
  key.space = true;
  key.enter = true;
  return true;
}

Screen screen_up() {
  int s = 0;
  while (s < SCREEN_PLAY && !(screens_open >> s & 1)) s++;
  return Screen(s);
}

void screen_keys() {
  Screen up = screen_up();
  if (SCREEN_RULES[up].players_keys) play_keys();
  SCREEN_RULES[up].keys();
  Screen over = screen_up();
  if (over < up) SCREEN_RULES[over].keys();
}

void screen_escape() {
  if (!pressed(VK_ESCAPE, key.esc)) return;
  Screen up = screen_up();
  switch (SCREEN_RULES[up].escape) {
    case ESC_NOTHING: break;
    case ESC_CLOSES: screens_open &= ~(1u << up); break;
    case ESC_PAUSES:
      Menu = true;
      QReturn = true;
      break;
  }
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
