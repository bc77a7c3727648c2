// Fuzz target: korvalen-replay's script reader and the frames it drives, on arbitrary script
// bytes. Every input starts from the game's start-up state; a bad line ends the input the way
// it ends a run (exit code 2), here by unwinding back to this target instead of exiting.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bot/bot.h"
#include "flow/game.h"
#include "state/lybrary3.h"
#include "flow/flag_grid.h"
#include "state/state_fields.h"

// The runner's own pieces (tools/replay/replay.cpp).
void RunLine(char* line);
extern void (*replay_stop)();
extern bool replay_held[KEY_CODES];

namespace {

// Thrown where the runner would exit with code 2.
struct BadLine {};

// Frames one input may run in all: enough for menus and a few shots, never a hang.
const long long FRAME_BUDGET = 4000;

// Every flag of the game and the runner's done mark.
bool* const FLAGS[] = {&active, &fullscreen,  &start,      &Start_Menu,     &Menu,
                       &Help,   &Info,        &Nastavenia, &New_Nastavenia, &End,
                       &QNew,   &QNastavenia, &QExit,      &QReturn,        &QEnd,
                       &New,    &Return,      &Exit,       &move,           &Q_1,
                       &Q_2,    &Q_3,         &NCPfind,    &Buildfind,      &done};
const int NFLAGS = sizeof(FLAGS) / sizeof(*FLAGS);

// Every global the frames and the script can change, as the runner starts them.
struct Snapshot {
  Splayer player[PLAYER_RECORDS];
  SNPC NCP[NCP_RECORDS];
  Sg_wepon g_wepon[GROUND_BOWS];
  Sbuild build[BUILD_RECORDS];
  int NCP_Max, Build_Max, T_end;
  Stimer timer;
  Skey key, keep;
  bool keys[KEY_CODES];
  float points[FLAG_SIZE][FLAG_SIZE][3];
  float r_p, p_krok;
  bool flags[NFLAGS];
};

Snapshot startup;

// Copies the state one way or the other.
template <typename T>
void copy(T& to, const T& from) {
  std::memcpy(&to, &from, sizeof(T));
}

void save(Snapshot& s) {
  copy(s.player, player), copy(s.NCP, NCP), copy(s.g_wepon, g_wepon), copy(s.build, build);
  s.NCP_Max = NCP_Max, s.Build_Max = Build_Max, s.T_end = T_end;
  copy(s.timer, timer), copy(s.key, key), copy(s.keep, keep), copy(s.keys, keys);
  copy(s.points, points);
  s.r_p = r_p, s.p_krok = p_krok;
  for (int i = 0; i < NFLAGS; i++) s.flags[i] = *FLAGS[i];
}

void load(const Snapshot& s) {
  copy(player, s.player), copy(NCP, s.NCP), copy(g_wepon, s.g_wepon), copy(build, s.build);
  NCP_Max = s.NCP_Max, Build_Max = s.Build_Max, T_end = s.T_end;
  copy(timer, s.timer), copy(key, s.key), copy(keep, s.keep), copy(keys, s.keys);
  copy(points, s.points);
  r_p = s.r_p, p_krok = s.p_krok;
  for (int i = 0; i < NFLAGS; i++) *FLAGS[i] = s.flags[i];
  copy(replay_held, s.keys);
  bot_play(1, 0);
  bot_play(2, 0);
}

// Frames a line asks for, or -1 when it is not a frames line with a whole count.
long long frames_asked(const std::string& line) {
  std::size_t a = line.find_first_not_of(" \t");
  if (a == std::string::npos || line.compare(a, 6, "frames") != 0) return -1;
  std::size_t b = line.find_first_not_of(" \t", a + 6);
  if (b == std::string::npos || b == a + 6) return -1;
  char* end;
  long long n = std::strtoll(line.c_str() + b, &end, 10);
  return end == line.c_str() + b ? -1 : n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Dumps are part of what is tested, not of what is read.
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  replay_stop = [] { throw BadLine{}; };
  Dump_Init();
  game_startup_request();
  flag_grid_init();
  active = true;
  save(startup);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  load(startup);
  std::srand(1);  // the frames' rand starts where an unseeded one does
  long long budget = FRAME_BUDGET;
  std::string script(reinterpret_cast<const char*>(data), size);
  std::size_t pos = 0;
  try {
    while (pos < script.size()) {
      std::size_t nl = script.find('\n', pos);
      std::string line = script.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
      pos = nl == std::string::npos ? script.size() : nl + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find('\0') != std::string::npos) break;  // the runner refuses such a line
      long long n = frames_asked(line);
      if (n > budget) break;
      if (n > 0) budget -= n;
      RunLine(&line[0]);
    }
  } catch (const BadLine&) {
  }
  return 0;
}
