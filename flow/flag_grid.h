// The waving flag's vertex grid: its rules, without any drawing.
#pragma once

// Fills points as the GL start-up does: x, y and the sine depth.
void flag_grid_init();
// Rewrites every point's y as j / 5.0 + offset (the menus use -6.5, the end screen -1.5).
void flag_grid_set_rows(double offset);
// Rotates every row's depth values by one column toward column 0.
void flag_wave_step();
// Counts one flag draw; every 300 draws the wave moves one column.
void flag_wave_tick();
