// Online play: this machine and one other play one match, each from its own keyboard.
#pragma once

#include "flow/game.h"
#include "game/command_line.h"

// Waits for the other player (--host) or joins one (--join), then runs the session until
// the game ends; returns the exit code. The window is open. Both games step on their step
// clocks (--pace frame counts for local play only).
int run_online(const CommandLine& line, DrawAndPresent draw_and_present);
