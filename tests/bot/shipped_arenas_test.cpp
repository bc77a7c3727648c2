// The arenas the game ships, each as a match start reads it: playable by the walking rule,
// named in the catalog, and a fair fight between two computer players.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "bot/bot.h"
#include "flow/arena_check.h"
#include "flow/game.h"
#include "state/data_files.h"
#include "state/game_random.h"
#include "state/lybrary3.h"
#include "tests/game_state.h"
#include "world/arenas.h"
#include "world/world.h"

namespace {

const ArenaInfo* shipped(int* count) {
  data_folder_set(KORVALEN_SOURCE_DIR);
  return arenas_shipped(count);
}

// Into a new match from start-up, as a player gets there: the sector's file is read by
// the match start itself.
void start_match(int sector) {
  snapshot_put(startup_state());
  reset_screen_flags();
  active = true;
  start = true;
  set_speed_level(3);
  ASSERT_TRUE(sector_choose(sector));
  for (int code : {0, VK_SPACE, VK_SPACE}) {
    std::memset(keys, 0, sizeof keys);
    keys[code] = true;
    keys_step();
    std::memset(keys, 0, sizeof keys);
    keys_step();
  }
  ASSERT_TRUE(move);
}

// Every other test plays sector 1, as the game starts.
class ShippedArenas : public ::testing::Test {
 protected:
  void TearDown() override { sector_choose(1); }
};

TEST_F(ShippedArenas, EachIsPlayableAndNamed) {
  int count;
  const ArenaInfo* arenas = shipped(&count);
  ASSERT_GE(count, 9);  // the original and at least eight more
  std::ifstream po(KORVALEN_SOURCE_DIR "/po/en.po");
  std::stringstream catalog;
  catalog << po.rdbuf();
  for (int a = 0; a < count; a++) {
    const ArenaInfo& arena = arenas[a];
    SCOPED_TRACE("sector " + std::to_string(arena.sector));
    EXPECT_EQ(arena.sector, a + 1);
    for (const char* text : {arena.name, arena.line}) {
      EXPECT_NE(catalog.str().find("msgid \"" + std::string(text) + "\"\nmsgstr \""),
                std::string::npos)
          << text;
      for (const char* c = text; *c; c++) EXPECT_TRUE(*c >= 32 && *c < 127) << text;
    }
    MapText map;
    const std::string path = std::string(KORVALEN_SOURCE_DIR "/") + sector_file_name(arena.sector);
    ASSERT_TRUE(map_read_file(path.c_str(), &map));
    // whole records only, none the reader would leave out
    int lines = 0;
    for (char c : map.text) lines += c == '\n';
    EXPECT_EQ(lines % 5, 0);
    EXPECT_LE(lines, 5 * BUILD_RECORDS);
    start_match(arena.sector);
    EXPECT_EQ(player[1].mapa, arena.sector);
    EXPECT_EQ(map_last_read().name, arena.name);
    EXPECT_EQ(Build_Max, lines / 5);
    // record 0 stays inert, so every wall placed is seen
    EXPECT_TRUE(build[0].x2 < 0 || build[0].y2 < 0);
    const ArenaVerdict v = arena_check(build, Build_Max);
    EXPECT_EQ(v.rule, ARENA_PLAYABLE)
        << "rule " << v.rule << " at " << v.x << ", " << v.y << " building " << v.building;
  }
}

// Three matches on each arena between two computer players at level 2, at speed level 3,
// each on its own seed (the bows' drops and the computer's own choices).
TEST_F(ShippedArenas, ComputerAgainstComputerEndsWithHitsOnBothSides) {
  int count;
  const ArenaInfo* arenas = shipped(&count);
  for (int a = 0; a < count; a++) {
    for (int seed = 1; seed <= 3; seed++) {
      match_seed_give(static_cast<std::uint32_t>(seed));
      start_match(arenas[a].sector);
      bot_play(1, 2);
      bot_play(2, 2);
      int steps = 0;
      for (; steps < 20000 && !End; steps++) {
        std::memset(keys, 0, sizeof keys);
        bot_press_keys(keys);
        keys_step();
      }
      bot_play(1, 0);
      bot_play(2, 0);
      std::printf("sector %d (%s) match %d: %s after %d steps, hits %d : %d\n", arenas[a].sector,
                  arenas[a].name, seed, End ? "ended" : "still on", steps, player[1].kill,
                  player[2].kill);
      EXPECT_TRUE(End) << "sector " << arenas[a].sector << " match " << seed;
      EXPECT_GE(player[1].kill, 1) << "sector " << arenas[a].sector << " match " << seed;
      EXPECT_GE(player[2].kill, 1) << "sector " << arenas[a].sector << " match " << seed;
    }
  }
}

}  // namespace
