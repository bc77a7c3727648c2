// The waving flag's grid: where its points lie and how the wave travels.
// Computed in double precision and stored as float.
#include "flow/flag_grid.h"

#include <cmath>

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
