// korvalen-replay: runs the game's own frames from a script, with no window
// and no drawing, and prints the game state on request.
//
//   korvalen-replay [SCRIPT]      (no SCRIPT or "-": the script comes on stdin)
//   korvalen-replay --recording FILE   (a session the game recorded; one dump at its end)
//
// Exit code 0 when the whole script ran, 2 at the first bad line (or an
// unreadable script), after one line on stderr naming the line.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bot/bot.h"
#include "flow/flag_grid.h"
#include "flow/frame_input.h"
#include "flow/game.h"
#include "flow/screen.h"
#include "record/playback.h"
#include "record/recording.h"
#include "state/game_random.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/state_fields.h"
#include "world/world.h"

static const char* scriptname = "-";
static long long linenum;
static long long framecount;  // frames actually run
// The keys the script holds; the computer's players press their own over them.
bool replay_held[KEY_CODES];

// Ends the run after a bad line, with code 2.
static void StopRun() {
  std::exit(2);
}
// Where a bad line goes; the fuzz target points it at a way back to itself.
void (*replay_stop)() = StopRun;

// Reports a bad line and ends the run; what was printed stays printed.
static void Fail(const char* fmt, ...) {
  std::fflush(stdout);
  va_list ap;
  va_start(ap, fmt);
  std::fprintf(stderr, "korvalen-replay: %s: line %lld: ", scriptname, linenum);
  std::vfprintf(stderr, fmt, ap);
  std::fputc('\n', stderr);
  va_end(ap);
  replay_stop();
}

// Case-blind comparison of a whole word with an upper-case name.
static bool WordIs(const char* word, const char* name) {
  for (; *word && *name; word++, name++)
    if (std::toupper((unsigned char)*word) != *name) return false;
  return !*word && !*name;
}

// The virtual-key code a KEY word names, or -1.
static int KeyCode(const char* w) {
  if (w[0] && !w[1]) {
    int c = std::toupper((unsigned char)w[0]);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return -1;
  }
  for (const NamedKey& n : NAMED_KEYS)
    if (WordIs(w, n.name)) return n.code;
  if (std::toupper((unsigned char)w[0]) != 'V' || std::toupper((unsigned char)w[1]) != 'K')
    return -1;
  const char* d = w + 2;
  if (!*d) return -1;
  int code = 0;
  for (; *d; d++) {
    if (*d < '0' || *d > '9') return -1;
    code = code * 10 + (*d - '0');
    if (code > 255) return -1;
  }
  return code;
}

// A frame count: decimal digits with an optional sign, 0 or more.
static bool ParseCount(const char* w, long long* out) {
  const char* p = w;
  if (*p == '+' || *p == '-') p++;
  if (!*p) return false;
  long long n = 0;
  for (; *p; p++) {
    if (*p < '0' || *p > '9') return false;
    if (n > (LLONG_MAX - 9) / 10) return false;
    n = n * 10 + (*p - '0');
  }
  if (w[0] == '-' && n != 0) return false;
  *out = n;
  return true;
}

static void Cmd_Frames(char** argv, int argc);

// hold [KEY ...] [frames N]: exactly these keys are down from now on, and with frames, N
// frames run with them at once. The whole line is checked before anything of it acts.
static void Cmd_Hold(char** argv, int argc) {
  int nkeys = 0;
  while (nkeys < argc && std::strcmp(argv[nkeys], "frames") != 0) nkeys++;
  long long count;
  if (nkeys < argc && (argc - nkeys != 2 || !ParseCount(argv[nkeys + 1], &count)))
    Fail("hold: frames takes one whole number of 0 or more");
  std::vector<int> down;
  for (int i = 0; i < nkeys; i++) {
    int c = KeyCode(argv[i]);
    if (c < 0) Fail("hold: unknown key \"%s\"", argv[i]);
    down.push_back(c);
  }
  std::memset(replay_held, 0, sizeof(replay_held));
  for (int c : down) replay_held[c] = true;
  std::memcpy(keys, replay_held, sizeof(keys));
  if (nkeys < argc) Cmd_Frames(argv + nkeys + 1, 1);
}

// frames N: the game's frames, as long as its loop has not ended. A minimised game
// runs none: it waits for the window to come back.
static void Cmd_Frames(char** argv, int argc) {
  long long n;
  if (argc != 1) Fail("frames takes one count");
  if (!ParseCount(argv[0], &n)) Fail("frames: \"%s\" is not a whole number of 0 or more", argv[0]);
  for (long long i = 0; i < n && !done && active; i++) {
    FrameInput in;
    std::memcpy(in.keys, replay_held, sizeof(in.keys));
    bot_press_keys(in.keys);
    // the described frame's picture: the flag counts a wave step when shown, and the rows
    // follow the menu's opening and the match's end
    const FlagRowsWatch rows = flag_rows_watch();
    run_frame_input(in, flag_frame_drawn);
    flag_rows_after_frame(rows);
    framecount++;
  }
}

// active 0|1: the window minimised or restored.
static void Cmd_Active(char** argv, int argc) {
  if (argc != 1) Fail("active takes one word, 0 or 1");
  if (!std::strcmp(argv[0], "0"))
    active = false;
  else if (!std::strcmp(argv[0], "1"))
    active = true;
  else
    Fail("active: \"%s\" is neither 0 nor 1", argv[0]);
}

// close: the window is closed, the quit message ends the loop.
static void Cmd_Close(char**, int argc) {
  if (argc != 0) Fail("close takes no words");
  done = true;
}

// set NAME VALUE: one field of the state.
static void Cmd_Set(char** argv, int argc) {
  if (argc != 2) Fail("set takes a name and a value");
  const field_t* f = Dump_Find(argv[0]);
  if (!f) Fail("set: no field named \"%s\"", argv[0]);
  if (Dump_Set(f, argv[1])) return;
  if (f->type == FT_BOOL) Fail("set: bad value \"%s\" for %s (0 or 1)", argv[1], argv[0]);
  if (f->type == FT_INT)
    Fail("set: bad value \"%s\" for %s (a whole number from %d to %d)", argv[1], argv[0], f->lo,
         f->hi);
  Fail("set: bad value \"%s\" for %s (a decimal number, inf or nan)", argv[1], argv[0]);
}

// dump [PREFIX ...]: the state, or the fields under the prefixes.
static void Cmd_Dump(char** argv, int argc) {
  for (int i = 0; i < argc; i++)
    if (!Dump_PrefixMatches(argv[i])) Fail("dump: no field starts with \"%s\"", argv[i]);
  Dump_Print(stdout, framecount, argv, argc);
  // a tool feeding the script line by line sees each dump at once
  std::fflush(stdout);
}

// A whole number in [lo, hi], decimal with an optional sign, or false.
static bool ParseSmall(const char* w, int lo, int hi, int* out) {
  char* end;
  errno = 0;
  long n = std::strtol(w, &end, 10);
  if (end == w || *end || errno || n < lo || n > hi) return false;
  *out = static_cast<int>(n);
  return true;
}

// bot N LEVEL: the computer plays player N from now on; level 0 hands him back to the keys held.
static void Cmd_Bot(char** argv, int argc) {
  int numb, level;
  if (argc != 2) Fail("bot takes a player and a level");
  if (!ParseSmall(argv[0], 1, 2, &numb)) Fail("bot: \"%s\" is not a player, 1 or 2", argv[0]);
  if (!ParseSmall(argv[1], 0, BOT_LEVELS, &level))
    Fail("bot: \"%s\" is not a level from 0 to %d", argv[1], BOT_LEVELS);
  bot_play(numb, level);
}

// drawn: what the next picture shows, by the flag that holds its screen up ("play" when
// none does), and " map" when the field is drawn with it.
static void Cmd_Drawn(char**, int argc) {
  if (argc != 0) Fail("drawn takes no words");
  static const char* const names[SCREENS] = {
#define SCREEN_NAME(id, file, flag, escape, players_keys) #flag,
      DESCRIBED_SCREENS(SCREEN_NAME)
#undef SCREEN_NAME
          "play"};
  const Screen up = screen_up();
  const bool map = move && (up == SCREEN_MAIN_MENU || up == SCREEN_PAUSE_MENU || up == SCREEN_PLAY);
  std::printf("drawn %s%s\n", names[up], map ? " map" : "");
}

// sector N: the next match start (and every one after it) plays sector N, s_N.txt.
static void Cmd_Sector(char** argv, int argc) {
  int sector;
  if (argc != 1) Fail("sector takes one number");
  if (!ParseSmall(argv[0], 1, SECTOR_MAX, &sector))
    Fail("sector: \"%s\" is not a sector from 1 to %d", argv[0], SECTOR_MAX);
  sector_choose(sector);
}

// seed N: the next match start reseeds the bows' generator with N.
static void Cmd_Seed(char** argv, int argc) {
  if (argc != 1) Fail("seed takes one number");
  const char* w = argv[0];
  unsigned long long n = 0;
  bool digits = *w != 0;
  for (const char* p = w; *p && digits; p++) {
    digits = *p >= '0' && *p <= '9';
    n = n * 10 + (*p - '0');
    if (n > 4294967295ULL) digits = false;
  }
  if (!digits) Fail("seed: \"%s\" is not a whole number from 0 to 4294967295", w);
  match_seed_give(static_cast<std::uint32_t>(n));
}

// Splits a line into words at spaces and tabs, in place.
static int SplitWords(char* line, std::vector<char*>* words) {
  words->clear();
  char* p = line;
  while (*p) {
    while (*p == ' ' || *p == '\t') *p++ = 0;
    if (!*p) break;
    words->push_back(p);
    while (*p && *p != ' ' && *p != '\t') p++;
  }
  return (int)words->size();
}

// Runs one script line.
void RunLine(char* line) {
  static std::vector<char*> words;
  static const struct {
    const char* name;
    void (*run)(char**, int);
  } commands[] = {{"hold", Cmd_Hold},   {"frames", Cmd_Frames}, {"active", Cmd_Active},
                  {"close", Cmd_Close}, {"set", Cmd_Set},       {"dump", Cmd_Dump},
                  {"bot", Cmd_Bot},     {"seed", Cmd_Seed},     {"sector", Cmd_Sector},
                  {"drawn", Cmd_Drawn}};
  int n = SplitWords(line, &words);
  if (n == 0 || words[0][0] == '#') return;
  for (const auto& c : commands)
    if (!std::strcmp(words[0], c.name)) {
      c.run(words.data() + 1, n - 1);
      return;
    }
  Fail("unknown command \"%s\"", words[0]);
}

// Reads the script line by line and runs each as it comes.
static void RunScript(std::FILE* f) {
  char* line = nullptr;
  size_t cap = 0;
  ssize_t len;
  for (;;) {
    errno = 0;
    len = getline(&line, &cap, f);
    if (len < 0) break;
    linenum++;
    if (len > 0 && line[len - 1] == '\n') line[--len] = 0;
    // a script saved with CR-LF line ends reads the same
    if (len > 0 && line[len - 1] == '\r') line[--len] = 0;
    if ((size_t)len != std::strlen(line)) Fail("the line holds a zero byte");
    RunLine(line);
  }
  if (std::ferror(f)) {
    linenum++;
    Fail("cannot read the script: %s", std::strerror(errno ? errno : EIO));
  }
  std::free(line);
}

// Runs a recording the game made and prints the state it ends in; 2 with one line on
// stderr when the file is not a recording this version can run.
static int RunRecording(const char* name) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!recording_read_file(name, &bytes, &error)) {
    std::fprintf(stderr, "korvalen-replay: %s: %s\n", name, error.c_str());
    return 2;
  }
  long long frames = recording_run(bytes.data(), bytes.size(), &error);
  if (frames < 0) {
    std::fprintf(stderr, "korvalen-replay: %s: %s\n", name, error.c_str());
    return 2;
  }
  Dump_Print(stdout, frames, nullptr, 0);
  return 0;
}

int main(int argc, char** argv) {
  static char outbuf[1 << 16];
  std::setvbuf(stdout, outbuf, _IOFBF, sizeof(outbuf));
  if (argc == 2 && !std::strcmp(argv[1], "--help")) {
    std::printf(
        "Usage: korvalen-replay [SCRIPT]\n"
        "       korvalen-replay --recording FILE\n"
        "Runs Korvalen's own frames without a window and prints the game state.\n"
        "\n"
        "  SCRIPT            a script of held keys, frames and dumps, one command a line\n"
        "                    (none, or -, reads standard input); commands: hold [KEY ...] [frames "
        "N],\n"
        "                    frames N, active 0|1, close, set NAME VALUE, dump [PREFIX ...],\n"
        "                    bot N LEVEL, seed N, sector N, drawn\n"
        "  --recording FILE  run a session recorded by korvalen --record FILE from the\n"
        "                    start-up state and print the state it ends in\n"
        "  --help            print this help and end\n"
        "\n"
        "The arena s_1.txt (s_N.txt after sector N) is read from the current folder at\n"
        "every match start.\n"
        "Exit status: 0 when the whole script or recording ran; 2 on the first bad line\n"
        "(named on standard error) or a file that is not a recording this version can\n"
        "run. See man korvalen-replay; korvalen --watch FILE shows a recording.\n");
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 2;
  }
  bool recording = argc == 3 && !std::strcmp(argv[1], "--recording");
  if (argc > 2 && !recording) {
    std::fprintf(stderr, "usage: korvalen-replay [SCRIPT] | --recording FILE | --help\n");
    return 2;
  }
  if (recording) {
    Dump_Init();
    game_startup_request();
    flag_grid_init();
    int code = RunRecording(argv[2]);
    if (std::fflush(stdout) || std::ferror(stdout)) {
      std::fprintf(stderr, "korvalen-replay: cannot write the output\n");
      return 2;
    }
    return code;
  }
  std::FILE* f = stdin;
  if (argc == 2 && std::strcmp(argv[1], "-")) {
    scriptname = argv[1];
    f = std::fopen(argv[1], "r");
    if (!f) {
      std::fprintf(stderr, "korvalen-replay: %s: cannot open the script: %s\n", argv[1],
                   std::strerror(errno));
      return 2;
    }
  }

  Dump_Init();
  game_startup_request();
  flag_grid_init();

  RunScript(f);
  if (f != stdin) std::fclose(f);
  if (std::fflush(stdout) || std::ferror(stdout)) {
    std::fprintf(stderr, "korvalen-replay: cannot write the output\n");
    return 2;
  }
  return 0;
}
