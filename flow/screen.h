// Which screen is up, in one table (state/described_screens.h): the flags the game keeps
// (Help, Info, Nastavenia, End, New_Nastavenia, Start_Menu, Menu) are the bits of one value,
// the state the dumps show; the table says how the screens stack, their keys and what Esc
// does on each. Each screen's keys are flow/NAME.cpp, its picture screens/NAME.cpp.
#pragma once

#include "state/bindings.h"
#include "state/lybrary3.h"

// The screen up now: the first open in the table, play when none is.
Screen screen_up();

// The keys of the screen up, for one step: its own, and the players' keys where the match
// may run under it. A screen these keys open over it reads the same keys in this step.
void screen_keys();
// Esc: what it does on the screen up.
void screen_escape();

// For the screens' keys. True once per press: the key is down and its latch still clear;
// sets the latch.
bool pressed(int code, bool& latch);
// Space or Enter, once per press; both latch.
bool confirm_pressed();
// Moves a menu highlight from one entry to the next.
void highlight(bool& from, bool& to);

// The controls screen, where each player picks his keys (flow/controls_screen.cpp). It is
// this machine's own and stacks above the table's screens, outside the state: no step runs
// while it is up (the colour screen waits under it), so the dump, recordings and online play
// never see it, and its keys are the keyboard's own, read once per picture.
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
