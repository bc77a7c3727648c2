// The game's screens, one row each, topmost first: when several are open the first of them
// is the one up, drawn and given the keys, whatever order they opened in.
//
// A row is the screen's id, the name of its two files (flow/NAME.cpp with NAME_keys(), its
// keys while it is up; screens/NAME.cpp with NAME_draw(), its picture), the flag that holds
// it open, what Esc does on it, and whether the players' keys still act under it (while
// `move` says the match runs). Each layer expands the rows it needs: the state its flags,
// flow/ the keys, screens/ the pictures. Play has no row: it is up when no screen is open.
#pragma once

#define DESCRIBED_SCREENS(ROW)                                                     \
  ROW(SCREEN_DESCRIPTION, description, Help, ESC_CLOSES, false)                    \
  ROW(SCREEN_CREDITS, credits, Info, ESC_CLOSES, false)                            \
  ROW(SCREEN_SPEED, speed_screen, Nastavenia, ESC_CLOSES, false)                   \
  ROW(SCREEN_END, end_screen, End, ESC_PAUSES, false)                              \
  ROW(SCREEN_COLOUR, colour_screen, New_Nastavenia, ESC_CLOSES, false)             \
  /* for one step after the end screen the main menu is up over a running match */ \
  ROW(SCREEN_MAIN_MENU, main_menu, Start_Menu, ESC_NOTHING, true)                  \
  ROW(SCREEN_PAUSE_MENU, pause_menu, Menu, ESC_NOTHING, true)

// The screens in that order, then play.
enum Screen {
#define SCREEN_ID(id, file, flag, escape, players_keys) id,
  DESCRIBED_SCREENS(SCREEN_ID)
#undef SCREEN_ID
      SCREEN_PLAY,
  SCREENS
};

// What Esc does on a screen.
enum ScreenEscape {
  ESC_NOTHING,
  ESC_CLOSES,  // closes it: the screen under it is up again
  ESC_PAUSES,  // opens the pause menu, Return highlighted
};
