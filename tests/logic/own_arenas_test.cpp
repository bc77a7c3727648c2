// A player's own arenas: the names they are saved under, saving that never overwrites
// unasked, the editor's refusals, and the reading of a folder that may hold anything.
#include "flow/own_arenas.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "flow/editor.h"
#include "flow/step_clock.h"
#include "state/lybrary3.h"
#include "world/world.h"

namespace {

struct Folder {
  std::string path;
  Folder() {
    char made[] = "/tmp/korvalen_arenas_XXXXXX";
    path = mkdtemp(made);
  }
  ~Folder() { (void)!system(("rm -rf " + path).c_str()); }
  void put(const std::string& name, const std::string& text) const {
    std::ofstream(path + "/" + name, std::ios::binary) << text;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path + "/" + name, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
};

const std::vector<Wall> TWO_WALLS = {{12, 5, 2, 3}, {4, 1, 1, 1}};

}  // namespace

TEST(OwnArenas, NamesAreLettersDigitsDashesAndUnderscores) {
  for (const char* good : {"a", "moja-1", "A_b-9", "0"})
    EXPECT_TRUE(own_arena_name_ok(good)) << good;
  EXPECT_TRUE(own_arena_name_ok(std::string(40, 'x')));
  EXPECT_FALSE(own_arena_name_ok(std::string(41, 'x')));
  for (const char* bad : {"", "a b", "a.b", "../x", "a/b", ".x", "\xc3\xa1", "a\n"})
    EXPECT_FALSE(own_arena_name_ok(bad)) << bad;
}

TEST(OwnArenas, SavedFileIsASectorFileWithRecordZeroInert) {
  Folder f;
  bool exists = true;
  ASSERT_EQ(own_arena_save(f.path, "moja", TWO_WALLS, false, &exists), "");
  EXPECT_FALSE(exists);
  // the match start's own reader takes it as record 0 and the two walls
  Build_Max = 0;
  NULL_build();
  Load_sector_map((f.path + "/moja.txt").c_str());
  ASSERT_EQ(Build_Max, 3);
  EXPECT_LT(build[0].x2, 0);
  EXPECT_LT(build[0].y2, 0);
  EXPECT_EQ(build[1].x, 12);
  EXPECT_EQ(build[1].y, 5);
  EXPECT_EQ(build[1].x2, 2);
  EXPECT_EQ(build[1].y2, 3);
  EXPECT_EQ(build[2].x, 4);
  const OwnArena back = own_arena_read(f.path, "moja");
  ASSERT_TRUE(back.usable) << back.why;
  ASSERT_EQ(back.walls.size(), 2u);
  EXPECT_EQ(back.walls[0].w, 2);
  EXPECT_EQ(back.text, walls_value_lines(TWO_WALLS));
}

TEST(OwnArenas, NeverOverwritesUnaskedAndLeavesNoTemporaryFile) {
  Folder f;
  bool exists = false;
  ASSERT_EQ(own_arena_save(f.path, "a", TWO_WALLS, false, &exists), "");
  const std::string first = f.read("a.txt");
  EXPECT_NE(own_arena_save(f.path, "a", {{1, 1, 1, 1}}, false, &exists), "");
  EXPECT_TRUE(exists);
  EXPECT_EQ(f.read("a.txt"), first);
  // a link or a folder of that name is kept as well
  ASSERT_EQ(symlink("/nowhere", (f.path + "/l.txt").c_str()), 0);
  EXPECT_NE(own_arena_save(f.path, "l", TWO_WALLS, false, &exists), "");
  EXPECT_TRUE(exists);
  ASSERT_EQ(own_arena_save(f.path, "a", {{1, 1, 1, 1}}, true, &exists), "");
  EXPECT_NE(f.read("a.txt"), first);
  EXPECT_NE(own_arena_save(f.path, "no good", TWO_WALLS, true, &exists), "");
  EXPECT_EQ(system(("test $(ls -A " + f.path + " | wc -l) = 2").c_str()), 0)
      << "only a.txt and l.txt";
}

TEST(OwnArenas, EditorRefusesEachRuleSayingWhere) {
  struct Case {
    std::vector<Wall> walls;
    const char* says;
  };
  std::vector<Wall> many;
  for (int i = 0; i < OWN_WALLS_MAX; i++) many.push_back({5 + i % 10, 4 + i / 10 % 3, 1, 1});
  const Case cases[] = {
      {{{0, 0, 1, 1}}, "(0, 0)"},          // on player 1's starting place
      {{{15, 9, 1, 1}}, "(15, 9)"},        // on a bow
      {{{10, 0, 1, 12}}, "(19.5, 10.5)"},  // a wall across: the starts are apart
      {{{2, 2, 3, 1}, {2, 4, 3, 1}, {2, 3, 1, 1}, {4, 3, 1, 1}}, "(3, 3)"},  // a bow boxed in
  };
  for (const Case& c : cases) {
    editor.walls = c.walls;
    const std::string refusal = editor_check();
    EXPECT_NE(refusal.find(c.says), std::string::npos) << refusal;
  }
  editor.walls = many;
  EXPECT_EQ(editor_check(), "");
  editor.cursor = {18, 5, 1, 1};
  EXPECT_FALSE(editor_place()) << "a fiftieth wall";
  editor.walls.clear();
  EXPECT_TRUE(editor_place());
  editor.cursor = {0, 0, 1, 1};
  EXPECT_TRUE(editor_take() == false && editor.walls.size() == 1u);
  editor.cursor = {18, 5, 1, 1};
  EXPECT_TRUE(editor_take());
  EXPECT_TRUE(editor.walls.empty());
}

TEST(OwnArenas, UnusableFilesSayWhyAndOnWhichLine) {
  Folder f;
  // the second wall stands on the bow at (3, 3): its record starts on line 13
  f.put("bow.txt", "0\n-100\n-100\n-1\n-1\n\n1 first\n8\n8\n1\n1\n\n1 second\n3\n3\n1\n1\n");
  f.put("binary.txt", std::string("0\n1\n\0\n", 6));
  f.put("empty.txt", "");
  f.put("big.txt", std::string(OWN_ARENA_BYTES + 1, '\n'));
  ASSERT_EQ(mkfifo((f.path + "/pipe.txt").c_str(), 0600), 0);  // no writer: never waited on
  ASSERT_EQ(symlink("loop.txt", (f.path + "/loop.txt").c_str()), 0);
  ASSERT_EQ(mkdir((f.path + "/folder.txt").c_str(), 0700), 0);
  const struct {
    const char* name;
    int line;
  } want[] = {{"bow", 13}, {"binary", 3}, {"empty", 0}, {"big", 0},
              {"pipe", 0}, {"loop", 0},   {"folder", 0}};
  for (const auto& w : want) {
    const OwnArena a = own_arena_read(f.path, w.name);
    EXPECT_FALSE(a.usable) << w.name;
    EXPECT_NE(a.why, "") << w.name;
    EXPECT_EQ(a.line, w.line) << w.name << ": " << a.why;
  }
}

TEST(OwnArenas, AFolderIsListedAPieceAtATimeAndNoMoreThanItsShare) {
  Folder f;
  for (int i = 0; i < OWN_ARENAS_LISTED + 50; i++) {
    char name[16];
    std::snprintf(name, sizeof name, "a%03d.txt", i);
    f.put(name, walls_file_text(TWO_WALLS));
  }
  f.put("not an arena.txt", "0\n");
  f.put("notes.md", "0\n");
  ASSERT_EQ(mkfifo((f.path + "/a000x.txt").c_str(), 0600), 0);
  OwnArenaListing l;
  own_arenas_begin(&l, f.path);
  // a deadline already gone does one piece of work a call: a name batch or one file
  int calls = 0;
  std::size_t before = 0;
  while (!own_arenas_more(&l, 0)) {
    EXPECT_LE(l.arenas.size(), before + 1);
    before = l.arenas.size();
    ASSERT_LT(++calls, 10000);
  }
  own_arenas_end(&l);
  ASSERT_EQ(l.arenas.size(), static_cast<std::size_t>(OWN_ARENAS_LISTED));
  // read again as the editor reads it, a picture's share at a time: the figures, not judged
  OwnArenaListing timed;
  own_arenas_begin(&timed, f.path);
  // the processor's time too: on a loaded machine the clock's counts other programs' turns
  auto cpu_ns = [] {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
  };
  long long longest = 0, longest_cpu = 0;
  int pictures = 0;
  for (bool done = false; !done; pictures++) {
    const long long start = monotonic_now_ns(), start_cpu = cpu_ns();
    done = own_arenas_more(&timed, start + 40000000LL);
    longest = std::max(longest, monotonic_now_ns() - start);
    longest_cpu = std::max(longest_cpu, cpu_ns() - start_cpu);
  }
  std::printf("a folder of %d arenas: %d pictures, the longest waited %.1f ms (%.1f ms of CPU)\n",
              OWN_ARENAS_LISTED + 52, pictures, longest / 1e6, longest_cpu / 1e6);
  EXPECT_EQ(l.arenas[0].name, "a000");
  EXPECT_EQ(l.arenas[1].name, "a000x");
  EXPECT_FALSE(l.arenas[1].usable);
  EXPECT_TRUE(l.arenas[2].usable);
  // a missing folder is an empty list at once
  own_arenas_begin(&l, f.path + "/none");
  EXPECT_TRUE(own_arenas_more(&l, monotonic_now_ns() + 1000000000LL));
  EXPECT_TRUE(l.arenas.empty());
}

TEST(OwnArenas, ChosenOwnArenaIsPlayedAsSectorZeroFromItsText) {
  sector_choose_own("moja", walls_file_text(TWO_WALLS));
  EXPECT_EQ(sector_chosen(), 0);
  sector_set();
  EXPECT_EQ(player[1].mapa, 0);
  ASSERT_EQ(Build_Max, 3);
  EXPECT_EQ(build[1].x, 12);
  EXPECT_EQ(build[2].x, 4);
  EXPECT_EQ(map_last_read().sector, 0);
  EXPECT_EQ(map_last_read().name, "moja");
  EXPECT_EQ(map_last_read().text, walls_value_lines(TWO_WALLS));
  sector_choose(1);
}
