// Everything that decides a frame besides the state: both players' commands, a speed level
// the game itself marked before the frame, and the map a match start in that frame reads.
// The recording stores exactly these, online play agrees on them, the replay feeds them back.
#pragma once

#include "flow/game.h"
#include "state/command.h"
#include "state/lybrary3.h"
#include "world/world.h"

struct FrameInput {
  StepCommands commands;
  int speed_level = 0;     // 0: none; 1 to 3: marked before the frame, as the speed screen does
  bool map_given = false;  // a match start from this frame on reads map instead of the file,
                           // and the next one reseeds the bows with its seed when it has one
  MapText map;
};

// Runs one frame on these inputs.
void run_frame_input(const FrameInput& in, DrawAndPresent draw_and_present);

// Takes both players' commands for the step about to run (run_frame_input does, first).
void take_step_commands(const StepCommands& commands);
// Whether the step's commands hold the key with this (game's own) code. Online one machine
// is one player: in a match either hand's keys for an action are its own player's, on the
// colour screen either hand's left and right; everywhere else a key is the key it is,
// whichever machine holds it. Decided as the step begins, from the state before it.
bool step_holds(int code);
