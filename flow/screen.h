// Which screen is up, in one table. The flags the game keeps (Help, Info, Nastavenia, End,
// New_Nastavenia, Start_Menu, Menu) stay the state the dumps show; the table says which flag
// holds which screen open, how the screens stack, their keys and what Esc does on each.
#pragma once

// The screens, topmost first: when several are open, the first of them is up. Play is up
// when none of the others is.
enum Screen {
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
// Whether the screen's flag holds it open; play is open when no other screen is.
bool screen_open(Screen screen);

// The keys of the screen up, for one step: its own, and the players' keys where the match
// may run under it. A screen these keys open over it reads the same keys in this step.
void screen_keys();
// Esc: what it does on the screen up.
void screen_escape();
