// What a jump back costs when watching: a whole match at level 1, the computer playing both
// players, recorded; then the time to run the recording whole (as opening it for watching
// does), and a jump back 10 seconds from its end, which runs it again from the start.
//   build/bench/watch_bench   (run from the repository root to play on s_1.txt)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "bench/processor_time.h"
#include "bot/bot.h"
#include "flow/flag_grid.h"
#include "flow/frame_input.h"
#include "flow/game.h"
#include "record/playback.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One step on these inputs, written to the recording.
void recorded_step(const FrameInput& in) {
  const long reads = map_reads();
  run_frame_input(in, nullptr);
  record_frame(in.commands, in.speed_level, map_reads() != reads ? &map_last_read() : nullptr);
}

}  // namespace

int main() {
  flag_grid_init();
  game_startup_request();
  GameSnapshot start;
  snapshot_take(&start);
  char path[] = "/tmp/korvalen-watch-bench-XXXXXX";
  close(mkstemp(path));
  std::string error;
  if (!record_open(path, &error)) {
    std::fprintf(stderr, "watch_bench: %s\n", error.c_str());
    return 1;
  }
  // the main menu, New, the colour screen, the match; then the computer on both sides
  FrameInput in;
  bool space[KEY_CODES] = {};
  space[VK_SPACE] = true;
  for (int step = 0; step < 4; step++) {
    in.commands = step % 2 == 1 ? commands_of_keys(space) : StepCommands();
    recorded_step(in);
  }
  bot_play(1, 3);
  bot_play(2, 3);
  long steps = 4;
  while (!End && steps < 2000000) {
    in.commands = StepCommands();
    bot_press(&in.commands);
    recorded_step(in);
    steps++;
  }
  record_finish();
  std::ifstream file(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  std::remove(path);

  snapshot_put(start);
  Playback p;
  auto begin = std::chrono::steady_clock::now();
  double processor = processor_seconds();
  if (!playback_open(&p, std::move(bytes), &error)) {
    std::fprintf(stderr, "watch_bench: %s\n", error.c_str());
    return 1;
  }
  const double opened = seconds_since(begin), opened_processor = processor_seconds() - processor;
  playback_seek(&p, p.total_ticks, nullptr);
  begin = std::chrono::steady_clock::now();
  processor = processor_seconds();
  playback_seek(&p, p.ticks - 10 * PLAYBACK_TICKS_PER_SECOND, nullptr);
  const double back = seconds_since(begin), back_processor = processor_seconds() - processor;
  std::printf("a whole level-1 match: %ld steps, %.1f s recorded, %zu bytes\n", steps,
              double(p.total_ticks) / PLAYBACK_TICKS_PER_SECOND, p.bytes.size());
  std::printf("opening it (run whole once): %.0f ms (%.0f ms of processor time)\n", opened * 1000,
              opened_processor * 1000);
  std::printf(
      "a jump back 10 s from its end (run again from the start): %.0f ms (%.0f ms of "
      "processor time)\n",
      back * 1000, back_processor * 1000);
  return 0;
}
