// Fuzz target: korvalen-replay's script reader and the frames it drives, on arbitrary script
// bytes. Every input starts from the game's start-up state; a bad line ends the input the way
// it ends a run (exit code 2), here by unwinding back to this target instead of exiting.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "bot/bot.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/state_fields.h"
#include "tests/game_state.h"

// The runner's own pieces (tools/replay/replay.cpp).
void RunLine(char* line);
extern void (*replay_stop)();
extern bool replay_held[KEY_CODES];

namespace {

struct BadLine {};

// Frames one input may run in all: enough for menus and a few shots, never a hang.
const long long FRAME_BUDGET = 4000;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Dumps are part of what is tested, not of what is read.
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  replay_stop = [] { throw BadLine{}; };
  Dump_Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  put_startup_state();
  // the runner's own start: shown, no key held by the script, nobody played by the computer
  active = true;
  std::memset(replay_held, 0, sizeof replay_held);
  bot_play(1, 0);
  bot_play(2, 0);
  long long budget = FRAME_BUDGET;
  std::istringstream script(std::string(reinterpret_cast<const char*>(data), size));
  std::string line;
  try {
    while (std::getline(script, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find('\0') != std::string::npos) break;  // the runner refuses such a line
      // a frames line counts against the budget (a line the runner refuses may count too)
      long long n = 0;
      if (std::sscanf(line.c_str(), " frames %lld", &n) == 1 && n > budget) break;
      budget -= n > 0 ? n : 0;
      RunLine(&line[0]);
    }
  } catch (const BadLine&) {
  }
  return 0;
}
