// The loop's and the window's own marks. They sit beside the game's state, never in it: no
// snapshot, rollback or state hash takes them, so a game that is minimised, switched to full
// screen or closing never differs by them from the other machine's game or from its
// recording, and nothing has to put them back by hand. The dump still prints them.
#pragma once

// The window is not minimised: the loop runs steps and draws only while it is true.
extern bool active;
// The window covers the screen.
extern bool fullscreen;
// The loop ends: set by closing the window, or by the step after Exit was chosen.
extern bool done;
