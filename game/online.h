// Online play: this machine and one other play one match, each from its own keyboard.
#pragma once

#include <string>

#include "flow/game.h"
#include "game/command_line.h"

// How online play ended, for a caller that goes on afterwards (the menus): the line a box
// would have said, instead of the box.
struct OnlineEnd {
  std::string line;     // why it could not start or go on; "" for an ending in order
  bool closed = false;  // the window was closed: the game ends
  bool played = false;  // the two games met and a session ran
};

// Waits for the other player (--host) or joins one (--join), then runs the session until
// the game ends; returns the exit code. The window is open. Both games step on their step
// clocks (--pace frame counts for local play only).
// With end, the last word is told there (and on stderr) instead of in a box: the caller
// goes on to its own screen.
int run_online(const CommandLine& line, DrawAndPresent draw_and_present, OnlineEnd* end = nullptr);
