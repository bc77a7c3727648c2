// The screen flow: which screen is up, and the keys that move between them.
// Screens are independent flags; the frame calls each step in its fixed place.
#include "combat/combat.h"
#include "flow/flag_grid.h"
#include "flow/game.h"
#include "state/lybrary3.h"
#include "world/world.h"

namespace {

// True once per press: the key is down and its latch still clear; sets the latch.
bool pressed(int code, bool& latch) {
  if (!keys[code] || latch) return false;
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

}  // namespace

// Space or Enter acts on the highlighted entry of the main or pause menu.
void menu_confirm() {
  bool space = keys[VK_SPACE] && !key.space;
  bool enter = keys[VK_ENTER] && !key.enter;
  if (!space && !enter) return;
  key.space = true;
  key.enter = true;
  if (Start_Menu) {
    if (QNew)
      New_Nastavenia = true;
    else if (QNastavenia)
      Nastavenia = true;
    else if (QExit)
      Exit = true;
  } else if (Menu) {
    if (QReturn) {
      Return = true;
    } else if (QNastavenia) {
      Nastavenia = true;
    } else if (QEnd) {
      start = true;
      QEnd = false;
    }
  }
}

// Up and Down move the highlight; they do nothing away from the two menus.
void menu_arrows() {
  if (Start_Menu) {
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
  } else if (Menu) {
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
}

// The colour screen: each player's left and right step his avatar, Space starts the match.
void colour_keys() {
  if (!New_Nastavenia || Help || Info || Nastavenia) return;
  for (int numb = 1; numb <= BOUND_PLAYERS; numb++) {
    if (pressed(binding(numb, ACTION_LEFT), key.*action_latch(numb, ACTION_LEFT)))
      colour_down(player[numb].color);
    if (pressed(binding(numb, ACTION_RIGHT), key.*action_latch(numb, ACTION_RIGHT)))
      colour_up(player[numb].color);
  }
  // Space leaves without setting its latch, so a held Space reaches play.
  if (keys[VK_SPACE] && !key.space) {
    New_Nastavenia = false;
    New = true;
  }
}

// Sets the arrow step, the walking step and the level marked on the speed screen.
void set_speed_level(int level) {
  static constexpr float speeds[] = {0.02f, 0.3f, 1.0f};
  if (level < 1 || level > 3) return;
  r_p = speeds[level - 1];
  p_krok = r_p * 0.1f;
  Q_1 = level == 1;
  Q_2 = level == 2;
  Q_3 = level == 3;
}

int speed_level() {
  return Q_3 ? 3 : Q_2 ? 2 : 1;
}

// The speed screen: the digit keys act in every frame they are held.
void speed_keys() {
  if (!Nastavenia || Help || Info) return;
  if (keys[int{'1'}]) set_speed_level(1);
  if (keys[int{'2'}]) set_speed_level(2);
  if (keys[int{'3'}]) set_speed_level(3);
}

// Space on the end screen goes back to the main menu (its latch stays clear).
void end_screen_keys() {
  if (!End || Help || Info) return;
  if (keys[VK_SPACE] && !key.space) {
    start = true;
    End = false;
  }
}

// I opens the credits over either menu.
void credits_key() {
  if ((Start_Menu || Menu) && !Help && pressed('I', key.i)) Info = true;
}

// Esc closes the screen on top; in play (or on the end screen) it pauses.
void escape_key() {
  if (!pressed(VK_ESCAPE, key.esc)) return;
  if (Help)
    Help = false;
  else if (Info)
    Info = false;
  else if (Nastavenia)
    Nastavenia = false;
  else if (New_Nastavenia)
    New_Nastavenia = false;
  else if (Start_Menu || Menu)
    return;
  else {
    Menu = true;
    QReturn = true;
  }
}

// H opens the description over anything.
void description_key() {
  if (pressed('H', key.h)) Help = true;
}

// Opens the main menu: New highlighted, default colours, flag back down.
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
  flag_grid_set_rows(-6.5);
}

// The pending requests, in their fixed order: main menu, new match, resume.
void handle_requests() {
  if (start) open_main_menu();
  if (New) {
    New_game_set();
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
