// The computer opponent. It plays a player only by pressing that player's six keys
// (the binding table's, by default E D S F A Q and I K J L M N) before the frame reads them, so the
// frame treats them exactly like a person's. It reads the game state and writes keys[], nothing
// else; the same state and the same keys give the same decisions.
#pragma once

#include "state/lybrary3.h"

constexpr int BOT_LEVELS = 3;

// From now on the computer plays player numb (1 or 2) at level 1 (easy) to 3 (hard);
// level 0 hands the player back to the keyboard.
void bot_play(int numb, int level);
// The level the computer plays player numb at, 0 when a person plays him.
int bot_level(int numb);
// Before a step: writes into the step's key table which of each computer player's keys
// are down, in place of what the keyboard held for them, in every screen: outside a match
// it holds none, so the keyboard's keys for player 2 do nothing while the computer plays him.
void bot_press_keys(bool step_keys[KEY_CODES]);
