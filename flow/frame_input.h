// Everything that decides a frame besides the state: the key table, a speed level the game
// itself marked before the frame, and the map a match start in that frame reads. The
// recording stores exactly these, online play agrees on them, the replay feeds them back.
#pragma once

#include "flow/game.h"
#include "state/lybrary3.h"
#include "world/world.h"

struct FrameInput {
  bool keys[KEY_CODES] = {};
  int speed_level = 0;     // 0: none; 1 to 3: marked before the frame, as the speed screen does
  bool map_given = false;  // a match start from this frame on reads map instead of the file,
                           // and the next one reseeds the bows with its seed when it has one
  MapText map;
};

// Runs one frame on these inputs.
void run_frame_input(const FrameInput& in, DrawAndPresent draw_and_present);
