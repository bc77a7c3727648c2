// The frame, the screen flow and the match: what the main loop runs.
#pragma once

#include "state/bindings.h"  // the key codes

// Draws the frame and presents it. The game fills it with DrawGLScene and
// the buffer swap; the headless replay passes nothing and draws nothing.
using DrawAndPresent = void (*)();

// One frame of the game, steps 1 to 8, in their fixed order.
void game_frame(DrawAndPresent draw_and_present);
// The draw step's look at Exit: a frame that finds it chosen sets done and runs on to its
// end without drawing, and the loop stops after it. True then. The frame, and so the game's
// loop, the replay and a rollback's re-run, all come here, minimised or not (a minimised
// game runs no frames: that is the loop's business, not the frame's).
bool exit_ends_loop();

// What the entry point sets before the window opens.
void game_startup_request();

// Screen flow, one function per step of the frame.
// (each screen's own keys and Esc are in the screen table, flow/screen.h)
void credits_key();      // I opens the credits over a menu
void description_key();  // H opens the description over anything
void handle_requests();  // start, New, Return, in that order
void set_speed_level(int level);
// The speed level marked now: 1 to 3.
int speed_level();

// Match setup and clock.
void New_game_set();
void clock_step();

// The game update, run once per frame while a match is in play.
void game_update();

// The play bindings of both players, in their fixed order.
void play_keys();
