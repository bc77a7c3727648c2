// The frame, the screen flow and the match: what the main loop runs.
#pragma once

#include "state/bindings.h"  // the key codes

// Draws the frame and presents it. The game fills it with DrawGLScene and
// the buffer swap; the headless replay passes nothing and draws nothing.
using DrawAndPresent = void (*)();

// One frame of the game, steps 1 to 8, in their fixed order.
void game_frame(DrawAndPresent draw_and_present);

// What the entry point sets before the window opens.
void game_startup_request();

// Screen flow, one function per step of the frame.
void menu_confirm();     // Space or Enter on a menu entry
void menu_arrows();      // Up and Down on the main and pause menus
void colour_keys();      // S, F, J, L and Space on the colour screen
void speed_keys();       // 1, 2, 3 on the speed screen
void end_screen_keys();  // Space on the end screen
void credits_key();      // I opens the credits over a menu
void escape_key();       // Esc leaves the screen on top, or pauses play
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
