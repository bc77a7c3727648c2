// Whole matches run headless through the real frame, to show the logic is
// never what makes a frame slow. Prints frames per second for each speed level.
//   build/bench/match_bench   (run from the repository root to play on s_1.txt)
#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

#include "bot/bot.h"
#include "flow/flag_grid.h"
#include "flow/game.h"
#include "state/game_random.h"
#include "state/lybrary3.h"
#include "tests/game_state.h"

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
  keys_step();
  QNew = false;
  QNastavenia = true;
  hold({' '});
  keys_step();  // speed screen
  hold({'0' + level});
  keys_step();
  hold({27});
  keys_step();
  hold({});
  keys_step();
  QNastavenia = false;
  QNew = true;
  hold({' '});
  keys_step();  // colour screen
  hold({});
  keys_step();
  hold({' '});
  keys_step();  // the match starts
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
    keys_step();
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

// What a match start leaves as it was: the bows dropped earlier, player 2's facing and
// the bow drops' random numbers. Set the same, the same keys replay the same match.
void same_start() {
  for (Sg_wepon& g : g_wepon) g.ly = false;
  player[2].alpha = 0;
  game_random_reset();
}

// The computer playing both players, level 3 against level 3 (at speed 1 the first
// 100 000 frames of the match), then the same keys played again with nobody deciding:
// the difference in processor time is what the computer's decisions cost a frame.
void ComputerOpponent(benchmark::State& state) {
  static std::vector<unsigned short> pressed;
  static const int PLAYER_KEYS[12] = {'E', 'D', 'F', 'S', 'A', 'Q', 'I', 'K', 'L', 'J', 'M', 'N'};
  flag_grid_init();
  double with_computer = 0, keys_only = 0;
  long frames = 0;
  for (auto _ : state) {
    pressed.clear();
    same_start();
    start_match(static_cast<int>(state.range(0)));
    bot_play(1, 3);
    bot_play(2, 3);
    std::clock_t a = std::clock();
    for (long f = 0; f < 100000 && !End; f++) {
      hold({});
      bot_press_keys(keys);
      keys_step();
      unsigned short bits = 0;
      for (int k = 0; k < 12; k++) bits |= keys[PLAYER_KEYS[k]] << k;
      pressed.push_back(bits);
    }
    std::clock_t b = std::clock();
    bot_play(1, 0);
    bot_play(2, 0);
    same_start();
    start_match(static_cast<int>(state.range(0)));
    std::clock_t c = std::clock();
    for (unsigned short bits : pressed) {
      for (int k = 0; k < 12; k++) keys[PLAYER_KEYS[k]] = bits >> k & 1;
      keys_step();
    }
    std::clock_t d = std::clock();
    with_computer += b - a;
    keys_only += d - c;
    frames += static_cast<long>(pressed.size());
  }
  double ns = 1e9 / CLOCKS_PER_SEC / static_cast<double>(frames);
  state.counters["frame_ns"] = keys_only * ns;
  state.counters["computer_ns"] = (with_computer - keys_only) * ns;
  state.counters["computer_share"] = (with_computer - keys_only) / keys_only;
}

}  // namespace

BENCHMARK(Match)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(ComputerOpponent)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
