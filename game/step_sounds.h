// A step heard: the sounds come from what the step changed in the state.
#pragma once

#include "flow/frame_input.h"

// Runs one step on its inputs and starts the sounds it made. A step run again (online
// rollback) should go through run_frame_input instead, so nothing is heard twice.
void run_frame_heard(const FrameInput& in, DrawAndPresent draw_and_present);
