// What the steps cost the machine at level 1, the smoothest: a whole match with the computer
// playing both players, run step by step as the game runs them between pictures, timed on
// the processor's clock. Prints the cost of a step and the share of one core that level 1's
// 3000 steps a second take.
//   build/bench/step_share   (run from the repository root to play on s_1.txt)
#include <cstdio>
#include <ctime>
#include <initializer_list>

#include "bench/processor_time.h"
#include "bot/bot.h"
#include "flow/flag_grid.h"
#include "flow/game.h"
#include "flow/step_clock.h"
#include "state/lybrary3.h"
#include "tests/game_state.h"

namespace {

// One step with exactly these keys held.
void step_holding(std::initializer_list<int> held) {
  for (bool& k : keys) k = false;
  for (int code : held) keys[code] = true;
  keys_step();
}

}  // namespace

int main() {
  flag_grid_init();
  game_startup_request();
  // The main menu, New, the colour screen, the match: at level 1, as the game starts.
  step_holding({});
  step_holding({' '});
  step_holding({});
  step_holding({' '});
  if (!move) {
    std::fprintf(stderr, "step_share: the match did not start\n");
    return 1;
  }
  bot_play(1, 3);
  bot_play(2, 3);
  long steps = 0;
  double begin = processor_seconds();
  while (!End && steps < 2000000) {
    for (bool& k : keys) k = false;
    bot_press_keys(keys);
    keys_step();
    steps++;
  }
  double spent = processor_seconds() - begin;
  double per_step = spent / steps;
  std::printf("level 1, the computer playing both players: %ld steps in %.3f s of processor time\n",
              steps, spent);
  std::printf("one step: %.3f us; at %d steps a second the steps take %.2f %% of a core\n",
              per_step * 1e6, step_rate(1), per_step * step_rate(1) * 100);
  return 0;
}
