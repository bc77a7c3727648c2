// The speed screen's keys, and the speed levels they choose.
#include "flow/game.h"
#include "flow/screen.h"
#include "state/speed_levels.h"

// The digit keys act in every frame they are held.
void speed_screen_keys() {
  if (keys[int{'1'}]) set_speed_level(1);
  if (keys[int{'2'}]) set_speed_level(2);
  if (keys[int{'3'}]) set_speed_level(3);
}

// Sets the arrow step, the walking step and the level marked on the speed screen.
void set_speed_level(int level) {
  if (level < 1 || level > SPEED_LEVELS) return;
  r_p = speed_level_row(level).step_size;
  p_krok = r_p * 0.1f;
  Q_1 = level == 1;
  Q_2 = level == 2;
  Q_3 = level == 3;
}

int speed_level() {
  return Q_3 ? 3 : Q_2 ? 2 : 1;
}
