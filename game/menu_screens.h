// The game's own menus in the picture loop (flow/menu_screens.h): a main menu letter opens
// one; while one is up no step runs, and what it asks for is done here.
#pragma once

#include <string>

#include "game/command_line.h"
#include "state/settings.h"

// Once at start, after the settings: the options as the game starts with them, and the
// command line with its meeting servers.
void menu_screens_start(const CommandLine& line);
// Once at start: the arena every match is played on, the command line's (arena_given, not 0)
// over the one chosen on the arena list and saved.
void arenas_start(const Settings& saved, int arena_given);
// Once per picture, before the steps: true when a menu took this picture (read its keys,
// drew itself and presented the picture).
bool menu_screens_picture();
// After the described screen is drawn: the notices over it, a broken settings line on the
// main menu until a key is pressed, and the volume or F8's sound for a moment after a change.
void menu_screens_notices();
// A word for the players over whatever is up, for a few seconds ("Player 2 joined").
void menu_screens_tell(const std::string& text);
