// Which screen is up, in one table. The flags the game keeps (Help, Info, Nastavenia, End,
// New_Nastavenia, Start_Menu, Menu) stay the state the dumps show; the table says which flag
// holds which screen open, how the screens stack, their keys and what Esc does on each.
#pragma once

#include "state/bindings.h"

// The screens, topmost first: when several are open, the first of them is up. Play is up
// when none of the others is.
enum Screen {
  SCREEN_CONTROLS,     // controls.shown: Enter on the colour screen opens it
  SCREEN_DESCRIPTION,  // Help: H opens it over anything
  SCREEN_CREDITS,      // Info: I opens it over a menu
  SCREEN_SPEED,        // Nastavenia: the speed screen, from a menu
  SCREEN_END,          // End: the winner, once the match's time is over
  SCREEN_COLOUR,       // New_Nastavenia: the avatars before a match
  SCREEN_MAIN_MENU,    // Start_Menu
  SCREEN_PAUSE_MENU,   // Menu
  SCREEN_PLAY,         // the match
  SCREENS
};

// The screen up now.
Screen screen_up();

// The keys of the screen up, for one step: its own, and the players' keys where the match
// may run under it. A screen these keys open over it reads the same keys in this step.
void screen_keys();
// Esc: what it does on the screen up.
void screen_escape();

// The controls screen, where each player picks his keys. It is this machine's own: no step
// runs while it is up (the colour screen waits under it), so the dump, recordings and online
// play never see it, and its keys are the keyboard's own, read once per picture.
struct ControlsScreen {
  bool shown;           // the screen is up
  int picked;           // player 1's actions 0 to 5, player 2's 6 to 11, "defaults" 12
  bool waiting;         // for the key that is to play the picked action
  const char* refusal;  // why the last key was refused, null when none was
  bool unsaved[BOUND_PLAYERS][ACTIONS];  // keys chosen that the game has still to save
};
extern ControlsScreen controls;
constexpr int CONTROLS_DEFAULTS = BOUND_PLAYERS * ACTIONS;

// Once per picture, before the steps, with the keyboard's keys as held now: Enter on the
// colour screen opens the controls screen, and while it is up the table gives it these keys.
// True while it is up: no step runs then.
bool controls_screen_keys(const bool keyboard[KEY_CODES]);
