// The settings file in play: read once at start (the command line wins for its run), and
// what the player changes in the game saved at once.
#pragma once

#include <string>

#include "game/command_line.h"
#include "state/settings.h"

// Reads the settings and applies each under the command line's option for it, as its row
// says (state/settings.h), and the keys; the meeting servers the file names complete the
// command line's.
void player_settings_start(CommandLine* line);

// What the settings and the command line chose for what opens after the start: the main
// loop's pace, the sound's volume, the level the menu's computer plays, and whether each
// match is kept on its own.
struct StartChoices {
  bool frame_pace = false;
  int volume = 100;
  int computer_level = 2;
  bool keep_matches = true;
};
extern StartChoices start_choices;

// Binds the keys the settings file names (for --help, which shows them as bound).
void player_settings_keys();

// Where the settings are saved, for --help.
std::string settings_where();

// Around every local frame: a speed level picked on the speed screen or an avatar stepped
// on the colour screen is saved; so is a switch between full screen and window.
void player_settings_before_frame();
void player_settings_after_frame();
// Once the window is open: full screen or window as it opened is not the player's change.
void player_settings_window_open();
void player_settings_after_message();
