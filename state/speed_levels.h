// The three speed levels in one table: each is a step size made for a step rate, so a match
// lasts the same wall time at every level, and online play groups steps to a sixtieth of a
// second. Everything that depends on the level reads this row.
#pragma once

constexpr int SPEED_LEVELS = 3;

struct SpeedLevel {
  int step_rate;    // steps a second on the step clock
  float step_size;  // r_p: the arrow's step per frame; the walking step is a tenth of it
  int group_steps;  // steps in one online group: the most that last a sixtieth of a second
};

constexpr SpeedLevel SPEED_LEVEL_TABLE[SPEED_LEVELS] = {
    {3000, 0.02f, 50},  // level 1, the one the game starts at
    {200, 0.3f, 3},
    {60, 1.0f, 1},
};

// The row of level 1 to 3; anything else counts as level 1.
constexpr const SpeedLevel& speed_level_row(int level) {
  return SPEED_LEVEL_TABLE[level >= 1 && level <= SPEED_LEVELS ? level - 1 : 0];
}
