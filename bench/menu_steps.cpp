// What a step between matches costs the game as it runs them, matches kept on their own (the
// default): the main menu's steps, then the colour screen's, each through run_step with no
// picture, timed on the processor's clock. Prints the cost of a step and the share of one
// core that level 1's 3000 steps a second take while the menu is shown.
//   build/bench/menu_steps [STEPS]   (the kept matches go to a folder of its own, removed after)
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "bench/processor_time.h"
#include "flow/frame_input.h"
#include "flow/step_clock.h"
#include "game/command_line.h"
#include "game/input.h"
#include "game/keep.h"
#include "state/lybrary3.h"

namespace {

// Steps with no key held on the screen that is up; the processor time of one.
double step_cost(long steps) {
  FrameInput none;
  double begin = processor_seconds();
  for (long s = 0; s < steps; s++) run_step(none, nullptr);
  return (processor_seconds() - begin) / steps;
}

void print(const char* screen, double per_step) {
  std::printf("%s: one step %.3f us; at %d steps a second %.2f %% of a core\n", screen,
              per_step * 1e6, step_rate(1), per_step * step_rate(1) * 100);
}

}  // namespace

int main(int argc, char** argv) {
  long steps = argc > 1 ? atol(argv[1]) : 300000;
  if (steps < 1) steps = 300000;
  char folder[] = "/tmp/korvalen_menu_steps_XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("XDG_DATA_HOME", folder, 1);
  game_startup_request();
  keep_start(CommandLine());
  if (!keeping_matches()) {
    std::fprintf(stderr, "menu_steps: matches are not kept in %s\n", folder);
    return 1;
  }
  run_step(FrameInput(), nullptr);  // the main menu opens
  print("main menu", step_cost(steps));
  New_Nastavenia = true;  // as New does
  print("colour screen", step_cost(steps));
  keep_end();
  std::string remove = std::string("rm -rf ") + folder;
  return std::system(remove.c_str()) == 0 ? 0 : 1;
}
