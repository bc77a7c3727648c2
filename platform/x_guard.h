// What the game asks of the X server directly, beside SDL: kept apart because the X
// headers' names clash with the game's. Every call is harmless off X (it does nothing).
#pragma once

struct SDL_Window;

// Drops every event the X server has sent the window's connection and not yet read: the
// game is quitting, and a flood of key events would otherwise be read to its end first.
void drop_window_system_events(SDL_Window* window);
