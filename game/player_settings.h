// The settings file in play: read once at start (the command line wins for its run), and
// what the player changes in the game saved at once.
#pragma once

#include <string>

#include "game/command_line.h"
#include "state/settings.h"

// Reads the settings and applies them under the command line's options: language, speed
// level, full screen or window, the avatars the colour screen starts from, the keys.
// Returns what the file set (pace and change_mode are the main loop's to apply).
Settings player_settings_start(const CommandLine& line);

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
