// Whole matches run headless through the real frame, to show the logic is
// never what makes a frame slow. Prints frames per second for each speed level.
//   build/bench/match_bench   (run from the repository root to play on s_1.txt)
#include <benchmark/benchmark.h>

#include "flow/game.h"
#include "state/lybrary3.h"
#include "flow/flag_grid.h"

namespace {

void hold(std::initializer_list<int> held) {
  for (bool& k : keys) k = false;
  for (int code : held) keys[code] = true;
}

// From the main menu through the speed screen and the colour screen into play.
void start_match(int level) {
  start = true;
  End = Start_Menu = Menu = New_Nastavenia = Nastavenia = false;
  key = keep = {};
  hold({});
  game_frame(nullptr);
  QNew = false;
  QNastavenia = true;
  hold({' '});
  game_frame(nullptr);  // speed screen
  hold({'0' + level});
  game_frame(nullptr);
  hold({27});
  game_frame(nullptr);
  hold({});
  game_frame(nullptr);
  QNastavenia = false;
  QNew = true;
  hold({' '});
  game_frame(nullptr);  // colour screen
  hold({});
  game_frame(nullptr);
  hold({' '});
  game_frame(nullptr);  // the match starts
}

// Plays one match to its end screen with both players walking and shooting.
long play_match(int level) {
  start_match(level);
  player[1].kill = 1;  // a decided match, so the clock can end it
  long frames = 0;
  static const int patterns[4][4] = {
      {'E', 'F', 'I', 'J'}, {'D', 'F', 'K', 'L'}, {'E', 'S', 'I', 'L'}, {'A', 'D', 'M', 'K'}};
  while (!End) {
    const int* p = patterns[(frames / 500) % 4];
    hold({p[0], p[1], p[2], p[3]});
    game_frame(nullptr);
    frames++;
  }
  return frames;
}

void Match(benchmark::State& state) {
  flag_grid_init();
  long frames = 0;
  for (auto _ : state) frames += play_match(static_cast<int>(state.range(0)));
  state.counters["frames_per_match"] = static_cast<double>(frames) / state.iterations();
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(Match)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
