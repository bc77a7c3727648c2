// The game's screens in fixed states, for the pixel check and the frame
// benchmark: the same records every time, so two draws of a screen match.
#pragma once

enum class FixedScreen { main_menu, pause_menu, colour, play, end, count };

// The screen's short name ("main_menu", "play", ...), used for file names.
const char* fixed_screen_name(FixedScreen screen);
// Puts the game records into the screen's fixed state. Play reads s_1.txt
// from the working directory. Drawing it is DrawGLScene's business.
void fixed_screen_set(FixedScreen screen);
