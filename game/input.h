// Every input source fills the one key table the frame reads: this machine's keyboard and
// pads, the computer opponent, the other machine. The frame never knows who pressed a key.
#pragma once

#include "flow/frame_input.h"

// Fills keys[] for the next frame from every source, in a fixed order.
void gather_frame_keys();

// The speed fit (and --speed) marks a level between frames; it counts from the next frame
// on, as a frame input, so a recording holds it and online play takes the host's.
void apply_speed_level(int level);
// The level marked since the last frame, 0 for none; taking it clears the mark.
int take_speed_level();

// One frame of local play from this machine's inputs, written to the recording when one
// is being made. The caller lets go of the keys tapped since the last picture
// (KeysAfterFrame) after the picture's first frame.
void local_frame(DrawAndPresent draw_and_present);
// Notes what the window did between frames, for the recording: minimised or back, closed.
void note_window(bool is_active, bool closed);
