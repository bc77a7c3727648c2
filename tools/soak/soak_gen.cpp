// The soak's generator and checker: seeded, so every run of the same seed is the same.
//
//   soak_gen script SEED FRAMES   a replay script of random key presses over FRAMES frames,
//                                 with visits to the pause menu, the speed, description and
//                                 credits screens, the colour screen and minimising
//   soak_gen map SEED             one map file variant, valid or broken, on standard output
//   soak_gen check FRAMES         reads the replay's output: every dump must hold a sane
//                                 state and the last one must have run all FRAMES frames
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

// splitmix64: a fixed sequence for a seed on every machine and compiler.
static std::uint64_t rng_state;
static std::uint64_t rng_next() {
  std::uint64_t z = (rng_state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
static long long rng(long long n) {
  return (long long)(rng_next() % (std::uint64_t)n);
}

static long long emitted;  // frames the script runs so far

// Holds the given keys (a space-separated list, or none) for n frames.
static void hold(const char* keys, long long n) {
  std::printf("hold%s%s\nframes %lld\n", *keys ? " " : "", keys, n);
  emitted += n;
}

// One press: the key down for a frame, then a frame with every key up, so it acts once.
static void tap(const char* key) {
  hold(key, 1);
  hold("", 1);
}

// Keys for the random stretches. Up and Down are left out on purpose: without them the
// highlight of a menu never leaves its first entry except inside the visits below, which
// always come back, so the main menu's Exit is never chosen and the soak runs to its end.
static const char* const PLAY_KEYS[] = {"E", "D", "F", "S", "A", "Q", "I", "K", "L", "J", "M", "N"};
static const char* const OTHER_KEYS[] = {
    "SPACE", "ENTER", "ESC", "H", "1",    "2",    "3",    "LEFT",  "RIGHT", "W",     "R",  "B",
    "O",     "C",     "0",   "9", "VK16", "VK17", "VK18", "VK112", "VK121", "VK255", "VK0"};

static std::string random_key() {
  if (rng(100) < 80) return PLAY_KEYS[rng(sizeof(PLAY_KEYS) / sizeof(*PLAY_KEYS))];
  return OTHER_KEYS[rng(sizeof(OTHER_KEYS) / sizeof(*OTHER_KEYS))];
}

// A stretch of play: up to four keys held together for a while.
static void random_stretch() {
  std::string keys;
  for (long long n = rng(5); n > 0; n--) keys += (keys.empty() ? "" : " ") + random_key();
  long long frames = rng(100) < 70 ? 1 + rng(40) : 1 + rng(3000);
  hold(keys.c_str(), frames);
}

// Pause menu or main menu: one entry down to the speed screen, a level, and back up.
// Safe from either menu: one step down is the speed entry in both.
static void speed_visit() {
  tap("ESC");
  tap("DOWN");
  tap("SPACE");
  const char* level[] = {"1", "2", "3"};
  hold(level[rng(3)], 1 + rng(5));
  hold("", 1);
  tap("ESC");
  tap("UP");
  if (rng(2)) tap("SPACE");  // back into the match (or on to the colour screen)
}

// The colour screen's keys, then Space: a new match when the screen is up.
static void colour_visit() {
  const char* colour[] = {"S", "F", "J", "L"};
  for (long long n = rng(8); n > 0; n--) tap(colour[rng(4)]);
  tap("SPACE");
}

// What the checker reads, dumped every 25 actions and at the end.
static const char* const DUMP =
    "dump done Start_Menu Menu End r_p Build_Max timer player[1] player[2].x player[2].y "
    "player[2].live player[2].kill player[2].death player[2].sumary player[2].color "
    "player[2].show\n";

// Writes the whole script.
static int make_script(long long frames) {
  std::printf("# soak script: random keys, menu visits, minimising\n");
  long long actions = 0;
  while (emitted < frames) {
    long long pick = rng(100);
    if (pick < 72)
      random_stretch();
    else if (pick < 77)
      speed_visit();
    else if (pick < 84)
      colour_visit();
    else if (pick < 88) {
      tap("H");  // description over anything, then back
      hold("", rng(50));
      tap("ESC");
    } else if (pick < 91) {
      tap("ESC");  // credits from the pause menu, back, and on with the match
      tap("I");
      hold("", rng(50));
      tap("ESC");
      tap("SPACE");
    } else if (pick < 95) {
      std::printf("active 0\n");  // minimised: no frame runs until restored
      random_stretch();
      std::printf("active 1\n");
    } else {
      tap("SPACE");  // leaves the end screen, opens the colour screen, starts the match
      tap("SPACE");
      tap("SPACE");
    }
    if (++actions % 25 == 0) std::printf("%s", DUMP);
  }
  std::printf("%s", DUMP);
  return 0;
}

// Writes one map variant: kinds cycle with the seed.
static int make_map() {
  switch (rng_state % 7) {
    case 0:  // the arena with random buildings, some past the table's 50
      for (long long n = rng(70) * 5; n > 0; n--)
        std::printf("%lld\n", rng(100) < 90 ? rng(24) - 2 : rng(400) - 200);
      break;
    case 1:  // notes, signs, blank lines and CR-LF line ends
      for (long long n = rng(40) * 5; n > 0; n--)
        std::printf("%s%+lld note\r\n%s", rng(2) ? "  " : "", rng(22), rng(3) ? "" : "\r\n");
      break;
    case 2:  // empty
      break;
    case 3:  // binary garbage
      for (long long n = 65536; n > 0; n--) std::putchar((int)rng(256));
      break;
    case 4:  // numbers at and past the int range, huge extents
      for (long long n = 250; n > 0; n--) {
        const char* v[] = {"2147483647",  "-2147483648", "2147483648", "99999999999999999999",
                           "-2147483647", "0",           "1000000000"};
        std::printf("%s\n", v[rng(7)]);
      }
      break;
    case 5: {  // 10 MB: a few buildings, then long lines of filler
      for (int n = 0; n < 25; n++) std::printf("%lld\n", rng(20));
      std::string line(999, 'x');
      for (int n = 0; n < 10 * 1024; n++) std::printf("%s\n", line.c_str());
      break;
    }
    default:  // lines of 254 characters and more, without a final line end
      for (long long n = rng(60); n > 0; n--) {
        std::string line = std::to_string(rng(20));
        line.resize(240 + rng(40), ' ');
        std::printf("%s\n", line.c_str());
      }
      std::printf("7");
  }
  return 0;
}

// Stops the check with what went wrong and where.
static int check_fail(long long frame, const char* what, const std::string& value) {
  std::fprintf(stderr, "soak check: frame %lld: %s (%s)\n", frame, what, value.c_str());
  return 1;
}

static double last_clock;
static long long matches, end_screens, hits, hit_pending;
static std::map<std::string, long long> levels;  // dumps seen at each arrow step

// Checks one dump: flags, counts, positions on the field, ratings that add up.
static int check_dump(long long frame, std::map<std::string, std::string>& f) {
  auto num = [&](const std::string& name) { return std::strtod(f[name].c_str(), nullptr); };
  if (num("timer.time") < last_clock) matches++;
  last_clock = num("timer.time");
  if (f["End"] == "1") end_screens++;
  levels[f["r_p"]]++;
  hits = std::atoll(f["player[1].kill"].c_str()) + std::atoll(f["player[2].kill"].c_str());
  // A stroke in the frame that also opens a menu is scored at once, but the respawn and the
  // ratings wait for the next update of play; only then must the ratings add up.
  const bool settled = f["player[1].live"] == "1" && f["player[2].live"] == "1";
  if (!settled) hit_pending++;
  if (f["done"] != "0") return check_fail(frame, "the game ended", f["done"]);
  long long builds = std::atoll(f["Build_Max"].c_str());
  if (builds < 0 || builds > 50)
    return check_fail(frame, "Build_Max outside 0..50", f["Build_Max"]);
  double t = num("timer.time");
  if (!std::isfinite(t) || t < 0) return check_fail(frame, "match clock", f["timer.time"]);
  for (int p = 1; p <= 2; p++) {
    std::string pre = "player[" + std::to_string(p) + "].";
    double x = num(pre + "x"), y = num(pre + "y");
    if (!(x >= -0.5 - 1e-3 && x <= 20.0 + 1e-3) || !(y >= -1e-3 && y <= 11.0 + 1e-3))
      return check_fail(frame, "player off the field", f[pre + "x"] + " " + f[pre + "y"]);
    long long kill = std::atoll(f[pre + "kill"].c_str()),
              death = std::atoll(f[pre + "death"].c_str());
    if (settled && std::atoll(f[pre + "sumary"].c_str()) != kill - death)
      return check_fail(frame, "rating is not hits given minus hits taken", f[pre + "sumary"]);
    long long colour = std::atoll(f[pre + "color"].c_str());
    if (colour < 0 || colour > 6) return check_fail(frame, "avatar colour", f[pre + "color"]);
    long long show = std::atoll(f[pre + "show.id"].c_str());
    if (show < -1 || show > 5) return check_fail(frame, "selected slot", f[pre + "show.id"]);
  }
  return 0;
}

// Reads the replay output and checks every dump in it.
static int check(long long frames) {
  char line[4096];
  std::map<std::string, std::string> fields;
  long long frame = -1, dumps = 0;
  auto flush = [&]() {
    if (frame < 0) return 0;
    dumps++;
    return check_dump(frame, fields);
  };
  while (std::fgets(line, sizeof(line), stdin)) {
    line[std::strcspn(line, "\n")] = 0;
    char* space = std::strchr(line, ' ');
    if (!space) continue;
    *space = 0;
    if (!std::strcmp(line, "frame")) {
      if (flush()) return 1;
      frame = std::atoll(space + 1);
      fields.clear();
    } else {
      fields[line] = space + 1;
    }
  }
  if (flush()) return 1;
  if (frame != frames) return check_fail(frame, "the run stopped short", std::to_string(frames));
  std::printf(
      "%lld frames, %lld dumps checked: %lld clock restarts, %lld on the end screen, "
      "%lld with a hit still to settle; dumps per arrow step:",
      frame, dumps, matches, end_screens, hit_pending);
  for (auto& l : levels) std::printf(" %s:%lld", l.first.c_str(), l.second);
  std::printf("\n");
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 4 && !std::strcmp(argv[1], "script")) {
    rng_state = std::strtoull(argv[2], nullptr, 10);
    return make_script(std::atoll(argv[3]));
  }
  if (argc == 3 && !std::strcmp(argv[1], "map")) {
    rng_state = std::strtoull(argv[2], nullptr, 10);
    return make_map();
  }
  if (argc == 3 && !std::strcmp(argv[1], "check")) return check(std::atoll(argv[2]));
  std::fprintf(stderr, "usage: soak_gen script SEED FRAMES | map SEED | check FRAMES\n");
  return 2;
}
