// Every input source fills the step's one input record: this machine's keyboard and pads,
// the computer opponent, the other machine. The frame reads only that record and never
// knows who pressed a key.
#pragma once

#include <cstdint>

#include "flow/frame_input.h"

// This machine's keys as the keyboard and the pads hold them now, as the game's own keys
// (the binding table's work): read once per picture and held for all its steps. The
// commands are made of them.
void read_local_keys(bool game_keys[KEY_CODES]);

// The speed fit (and --speed) marks a level between steps; it counts from the next step
// on, as a step input, so a recording holds it and online play takes the host's.
void apply_speed_level(int level);
// The level marked since the last step, 0 for none; taking it clears the mark.
int take_speed_level();
// True while a level is marked for the next frame.
bool speed_level_pending();

// Runs one step on its input record and writes the record to the recording when one is
// being made: local and online play alike. draw_and_present may be null.
void run_step(const FrameInput& in, DrawAndPresent draw_and_present);
// A seed for the next match: from the clock, or KORVALEN_MATCH_SEED's.
std::uint32_t draw_match_seed();
// One step of local play on the keys read: they become both players' commands, the
// computer's go in place of its player's and the level marked since the last step is added;
// then it runs and is recorded.
void local_step(const bool keys_read[KEY_CODES], DrawAndPresent draw_and_present);
// One step of local play on the keys held now. The caller lets go of the keys tapped since
// the last picture (KeysAfterFrame) after the picture's first step, so a tap acts in it.
void local_frame(DrawAndPresent draw_and_present);
// The game's own menus press the described keys through the input, one a step, as a
// player's taps would (a 0 is a step with nothing pressed); meanwhile the keyboard and the
// pads press nothing. True while some are still to be pressed.
void press_in_steps(const int* codes, int count);
bool steps_pressing();
// Every key held now reaches no step until it is let go: a key a menu read is the menu's.
void hold_back_held_keys();
// Notes what the window did between steps, for the recording: minimised or back, closed.
void note_window(bool is_active, bool closed);
