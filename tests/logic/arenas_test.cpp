// Sectors as a match start plays them, and the arena check's rules, one refusal each.
#include "world/arenas.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "flow/arena_check.h"
#include "state/lybrary3.h"
#include "tests/scratch_folder.h"
#include "world/world.h"

namespace {

std::vector<Sbuild> arena(std::initializer_list<std::array<int, 4>> walls) {
  std::vector<Sbuild> b = {{0, -100, -100, -100, -1, -1}};  // record 0, inert
  for (const auto& w : walls) b.push_back({1, w[0], w[1], -100, w[2], w[3]});
  return b;
}

ArenaVerdict check(const std::vector<Sbuild>& b) {
  return arena_check(b.data(), static_cast<int>(b.size()));
}

TEST(ArenaCheck, EachRuleRefusesWithItsPlace) {
  EXPECT_EQ(check(arena({{9, 5, 2, 2}})).rule, ARENA_PLAYABLE);

  // a block on the second starting place, and a line of no width across it
  for (auto covering : {std::array<int, 4>{19, 10, 1, 1}, std::array<int, 4>{20, 9, 0, 3}}) {
    ArenaVerdict v = check(arena({{9, 5, 2, 2}, covering}));
    EXPECT_EQ(v.rule, ARENA_START_COVERED);
    EXPECT_EQ(v.which, 2);
    EXPECT_EQ(v.building, 2);
    EXPECT_FLOAT_EQ(v.x, 19.5f);
    EXPECT_FLOAT_EQ(v.y, 10.5f);
  }

  ArenaVerdict bow = check(arena({{15, 9, 1, 1}}));
  EXPECT_EQ(bow.rule, ARENA_BOW_COVERED);
  EXPECT_EQ(bow.which, 1);
  EXPECT_EQ(bow.building, 1);
  EXPECT_FLOAT_EQ(bow.x, 15);
  EXPECT_FLOAT_EQ(bow.y, 9);

  // a wall from edge to edge; a gap of one cell is no way through either (touching blocks),
  // one of two cells is
  EXPECT_EQ(check(arena({{10, 0, 1, 12}})).rule, ARENA_STARTS_APART);
  EXPECT_EQ(check(arena({{10, 0, 1, 5}, {10, 6, 1, 6}})).rule, ARENA_STARTS_APART);
  EXPECT_EQ(check(arena({{10, 0, 1, 5}, {10, 7, 1, 5}})).rule, ARENA_PLAYABLE);
  // a block touching the first starting place's corner leaves the way out by the field's
  // left margin; an L closing that too boxes him in
  EXPECT_EQ(check(arena({{1, 1, 2, 2}})).rule, ARENA_PLAYABLE);
  EXPECT_EQ(check(arena({{1, 0, 1, 2}, {-1, 1, 2, 1}})).rule, ARENA_STARTS_APART);

  // a ring around the first bow, touching it on every side: nobody comes near enough
  ArenaVerdict ring = check(arena({{2, 2, 1, 3}, {4, 2, 1, 3}, {3, 2, 1, 1}, {3, 4, 1, 1}}));
  EXPECT_EQ(ring.rule, ARENA_BOW_OUT_OF_REACH);
  EXPECT_EQ(ring.which, 0);
  EXPECT_FLOAT_EQ(ring.x, 3);
  EXPECT_FLOAT_EQ(ring.y, 3);

  // what a player is told: the rule and where
  EXPECT_EQ(arena_verdict_text(check(arena({{9, 5, 2, 2}}))), "");
  EXPECT_EQ(arena_verdict_text(check(arena({{2, 2, 1, 1}, {19, 10, 1, 1}}))),
            "Stena 2 stoji na mieste hraca 2 (19.5, 10.5)");
  EXPECT_EQ(arena_verdict_text(bow), "Stena 1 stoji na luku (15, 9)");
  EXPECT_EQ(arena_verdict_text(check(arena({{10, 0, 1, 12}}))),
            "Ziadna cesta nevedie k miestu hraca 2 (19.5, 10.5)");
  EXPECT_EQ(arena_verdict_text(ring), "K luku (3, 3) sa neda dojst");

  // record 0 and 49 walls fit the table; one more does not
  std::vector<Sbuild> full = arena({});
  while (full.size() < BUILD_RECORDS) full.push_back({1, 30, 30, -100, 1, 1});
  EXPECT_EQ(check(full).rule, ARENA_PLAYABLE);
  full.push_back({1, 30, 30, -100, 1, 1});
  EXPECT_EQ(check(full).rule, ARENA_TOO_MANY_BUILDINGS);
  EXPECT_EQ(arena_verdict_text(check(full)), "Prilis vela stien: najviac 49");
}

TEST(ArenaCheck, LeavesTheGameAsItWas) {
  Build_Max = 2;
  build[0] = {7, 1, 2, 3, 4, 5};
  build[1] = {8, 6, 7, 8, 9, 10};
  player[1].x = 4.25f, player[2].play = true, p_krok = 0.002f;
  check(arena({{10, 0, 1, 12}, {1, 1, 1, 1}, {5, 5, 5, 5}}));
  EXPECT_EQ(Build_Max, 2);
  EXPECT_EQ(build[1].y2, 10);
  EXPECT_EQ(build[2].x, 0);  // never part of the table in use
  EXPECT_EQ(player[1].x, 4.25f);
  EXPECT_TRUE(player[2].play);
  EXPECT_EQ(p_krok, 0.002f);
}

// A scratch folder with one sector's file.
class SectorFolder : public ScratchFolder {
 protected:
  void TearDown() override {
    sector_choose(1);
    map_use_file();
    ScratchFolder::TearDown();
  }
};

TEST_F(SectorFolder, TheChosenSectorsFileIsReadAndGivenMapsKeepTheirSector) {
  write("s_7.txt", "1\r\n4 x\n\n2\nnote\n6\n");  // the same reader: CR-LF, notes, empty lines
  write("s_1.txt", "1\n1\n1\n1\n1\n");

  EXPECT_FALSE(sector_choose(100));
  EXPECT_FALSE(sector_choose(-1));
  EXPECT_EQ(sector_chosen(), 1);
  ASSERT_TRUE(sector_choose(7));
  Build_Max = 0;
  sector_set();
  EXPECT_EQ(player[1].mapa, 7);
  ASSERT_EQ(Build_Max, 1);
  EXPECT_EQ(build[0].x, 4);
  EXPECT_EQ(build[0].x2, -100);  // the line without a number
  EXPECT_EQ(build[0].y2, 6);
  EXPECT_EQ(map_last_read().text, "1\n4\n2\n-\n6\n");
  EXPECT_EQ(map_last_read().sector, 7);
  EXPECT_STREQ(map_last_read().name.c_str(), arena_name(7));

  // a given map plays as its own sector, whatever was chosen here; one without a name (an
  // older recording's) takes its shipped sector's
  map_use_given(true, "0\n2\n2\n3\n3\n", 10, 5, "Hostova");
  sector_set();
  EXPECT_EQ(player[1].mapa, 5);
  EXPECT_EQ(build[0].x2, 3);
  EXPECT_EQ(map_last_read().name, "Hostova");
  map_use_given(true, "", 0, 3);
  sector_set();
  EXPECT_EQ(map_last_read().name, arena_name(3));
  map_use_given(true, "", 0, 1000);  // no sector a match can be played as
  sector_set();
  EXPECT_EQ(player[1].mapa, 1);

  // sector 0 has no file: without given text it plays as a missing map
  map_use_file();
  ASSERT_TRUE(sector_choose(0));
  sector_set();
  EXPECT_EQ(player[1].mapa, 0);
  EXPECT_FALSE(map_last_read().present);
  EXPECT_EQ(build[0].x, -100);
}

}  // namespace
