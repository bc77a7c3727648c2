// The computer opponent. It plays a player only by writing that player's six actions into
// his command before the step reads it, so the step treats them exactly like a person's. It
// reads the game state and writes commands, nothing else; the same state gives the same
// decisions.
#pragma once

#include "state/command.h"

constexpr int BOT_LEVELS = 3;

// From now on the computer plays player numb (1 or 2) at level 1 (easy) to 3 (hard);
// level 0 hands the player back to the keyboard.
void bot_play(int numb, int level);
// The level the computer plays player numb at, 0 when a person plays him.
int bot_level(int numb);
// Before a step: writes into each computer player's command which of his actions he holds,
// in place of what the keyboard held for them (either hand's), in every screen: outside a
// match he holds none, so the keyboard's keys for player 2 do nothing while the computer
// plays him.
void bot_press(StepCommands* commands);
