// The waving flag's vertex grid: its rules, without any drawing. The grid and its wave
// belong to the picture, not to the game's steps: no step, snapshot or state hash has them.
#pragma once

#include <cstdint>

// Fills points as the GL start-up does: x, y and the sine depth.
void flag_grid_init();
// Rewrites every point's y as j / 5.0 + offset (the menus use -6.5, the end screen -1.5).
void flag_grid_set_rows(double offset);
// Rotates every row's depth values by one column toward column 0.
void flag_wave_step();
// Counts one flag draw; every 300 draws the wave moves one column.
void flag_wave_tick();

// Where the picture has the flag: lifted on the end screen, down on the menus.
constexpr double FLAG_ROWS_MENU = -6.5, FLAG_ROWS_END = -1.5;
// The wave counts at level 1's step rate while a flag is shown, whatever the level and the
// pictures' rate, so it waves alike everywhere.
constexpr std::int64_t FLAG_COUNTS_PER_SECOND = 3000;

struct FlagClock {
  bool running = false;   // a flag was shown at the last picture
  std::int64_t last = 0;  // that picture's time, nanoseconds
  std::int64_t owed = 0;  // part of a count, in nanocounts
};

// True when the screen up draws the flag: the end screen and the two menus.
bool flag_shown();
// Before a picture at time now (nanoseconds, never jumping back): the rows where the screen
// up has them, and the wave moved on by the time a flag has been shown since the last one.
void flag_for_picture(FlagClock* clock, std::int64_t now);

// The frame as described, for the replay that runs and dumps it: the picture at its draw
// step counts one wave step when it shows the flag (pass it as the frame's drawing).
void flag_frame_drawn();
// What the screens a frame went through did to the rows, as described: the main menu's
// opening puts them down, a match's end lifts them. Take the watch before the frame.
struct FlagRowsWatch {
  bool start, end;
};
FlagRowsWatch flag_rows_watch();
void flag_rows_after_frame(FlagRowsWatch before);
