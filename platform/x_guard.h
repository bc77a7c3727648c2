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

// Looked at four times a second, since no SDL event tells of it: a window the window
// manager has shaded (rolled up to its title bar) counts as minimised. Gives 1 when the
// game must take the window as minimised, 0 when as shown again, -1 for no change.
int shade_change(SDL_Window* window, bool active);
