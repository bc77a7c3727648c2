// The waving flag's grid: where its points lie and how the wave travels.
// Computed in double precision and stored as float.
#include "flow/flag_grid.h"

#include <algorithm>
#include <cmath>

#include "flow/screen.h"
#include "state/lybrary3.h"

void flag_grid_init() {
  for (int i = 0; i < FLAG_SIZE; i++) {
    for (int j = 0; j < FLAG_SIZE; j++) {
      points[i][j][0] = static_cast<float>(i / 5.0 - 4.5);
      points[i][j][1] = static_cast<float>(j / 5.0 - 6.5);
      points[i][j][2] = static_cast<float>(std::sin(2 * (i / 5.0 * 80.0 / 360.0 * 3.141592654)));
    }
  }
}

void flag_grid_set_rows(double offset) {
  for (int i = 0; i < FLAG_SIZE; i++)
    for (int j = 0; j < FLAG_SIZE; j++) points[i][j][1] = static_cast<float>(j / 5.0 + offset);
}

void flag_wave_step() {
  for (int y = 0; y < FLAG_SIZE; y++) {
    hold = points[0][y][2];
    for (int x = 0; x < FLAG_SIZE - 1; x++) points[x][y][2] = points[x + 1][y][2];
    points[FLAG_SIZE - 1][y][2] = hold;
  }
}

void flag_wave_tick() {
  if (wiggle_count == 300) {
    flag_wave_step();
    wiggle_count = 0;
  }
  wiggle_count++;
}

bool flag_shown() {
  const Screen up = screen_up();
  if (controls.shown) return false;  // over the menus, and no flag on it
  return up == SCREEN_END || up == SCREEN_MAIN_MENU || up == SCREEN_PAUSE_MENU;
}

void flag_for_picture(FlagClock* clock, std::int64_t now) {
  const double rows = screen_up() == SCREEN_END ? FLAG_ROWS_END : FLAG_ROWS_MENU;
  if (points[0][0][1] != static_cast<float>(rows)) flag_grid_set_rows(rows);
  if (!flag_shown()) {
    clock->running = false;
    return;
  }
  constexpr std::int64_t NANOS = 1000000000, MOST_NS = NANOS / 4;  // a stall is not made up
  if (clock->running) {
    clock->owed += std::clamp<std::int64_t>(now - clock->last, 0, MOST_NS) * FLAG_COUNTS_PER_SECOND;
    for (; clock->owed >= NANOS; clock->owed -= NANOS) flag_wave_tick();
  }
  clock->running = true;
  clock->last = now;
}

void flag_frame_drawn() {
  if (flag_shown()) flag_wave_tick();
}

FlagRowsWatch flag_rows_watch() {
  return {start, End};
}

void flag_rows_after_frame(FlagRowsWatch before) {
  // the main menu opens on the start request, and is the only way off the end screen
  if ((before.start && !start) || (before.end && !End)) flag_grid_set_rows(FLAG_ROWS_MENU);
  if (!before.end && End) flag_grid_set_rows(FLAG_ROWS_END);
}
