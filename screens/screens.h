// The screens drawn over or instead of the field.
#pragma once

#include "flow/screen.h"

// Draws the screen up (screen_draw.cpp): each screen of the table has one entry point,
// NAME_draw() in screens/NAME.cpp, that draws it whole over the cleared window.
void draw_screen(Screen up);

void Info_Menu();
// How many window rows, from the bottom, the panel's black backdrop fills
// right across; 0 when it fills none whole.
int panel_covered_rows();
// The next panel paints its black backdrop only above this many window rows
// from the bottom, because they are black already.
void panel_backdrop_above(int rows);
void Info_Text();
void New_Nastavenia_Draw();
void New_Nastavenia_Text();
// Text screens draw over the cleared window with blending, depth off, and show "Esc" in
// the corner as the way back.
void text_screen_begin();
void Help_list();
void Info_list();
void Nastavenia_list();
// The controls screen: both players' keys, the pick highlighted, the last refusal.
void Controls_list();
void End_draw();
void End_Text(int win);
// Whether the end screen offers R to play the same match again: online play has no such key.
void end_screen_offer_play_again(bool offered);

// What the main and pause menus (main_menu.cpp, pause_menu.cpp) share (menu_backdrop.cpp): the
// title, the flag with the figures and the hint, the entries' colours (cyan for the highlighted
// one).
void menu_title();
void menu_backdrop();
void menu_entry_colour(bool highlighted);
// The match (play_screen.cpp): the field and the panel, and the "Start" of the first frame.
void play_screen_draw();
void match_draw();
