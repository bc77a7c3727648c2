// The start level fitted to this machine: from the display's refresh rate when it paces the
// frames, else from the frames the main menu really draws a second.
#pragma once

// Once the window is open. A level from the command line stands and nothing is measured.
void speed_fit_start(int command_line_level);
// Before each frame, until the level is picked: notes the frame and, once the measure is
// complete or anything but the main menu comes up, sets the level.
void speed_fit_before_frame();
