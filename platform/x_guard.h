// What the game asks of the X server directly, beside SDL: kept apart because the X
// headers' names clash with the game's. Every call is harmless off X (it does nothing).
#pragma once

struct SDL_Window;

// Drops every event the X server has sent the window's connection and not yet read: the
// game is quitting, and a flood of key events would otherwise be read to its end first.
void drop_window_system_events(SDL_Window* window);

// While the window and its context are made, an X error is noted instead of ending the
// game through Xlib's own handler: the start then fails with its own box.
void x_errors_begin();
// The first X error since x_errors_begin, once every request made so far on the window's
// connection has been answered; null when none came.
const char* x_error_seen(SDL_Window* window);
// X errors go back to the handler they had before x_errors_begin.
void x_errors_end();
