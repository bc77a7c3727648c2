// The arena list: what can be chosen, "any arena" drawn from the match's seed, and the saved
// choice.
#include "flow/arena_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>

#include "flow/menu_screens.h"
#include "state/game_random.h"
#include "state/lybrary3.h"
#include "state/settings.h"
#include "tests/scratch_folder.h"
#include "world/arenas.h"
#include "world/world.h"

void menu_arenas_keys();

namespace {

// A scratch folder with the shipped arenas the test writes only.
class ArenaFolder : public ScratchFolder {
 protected:
  void TearDown() override {
    sector_choose(1);
    match_seed_reset();
    ScratchFolder::TearDown();
  }
  void write(int sector, const char* text) { ScratchFolder::write(sector_file_name(sector), text); }
};

// Record 0 inert, then one wall.
const char* const OPEN_FIELD = "0\n-100\n-100\n-1\n-1\n1\n9\n5\n2\n2\n";
// A wall across the second starting place (19.5, 10.5).
const char* const START_COVERED = "0\n-100\n-100\n-1\n-1\n1\n19\n10\n1\n1\n";

TEST_F(ArenaFolder, AnArenaThatCannotBePlayedIsListedWithItsReasonAndCannotBeChosen) {
  write(1, OPEN_FIELD);
  write(2, START_COVERED);
  const std::vector<ArenaEntry> entries = arena_entries();
  int shipped;
  arenas_shipped(&shipped);
  ASSERT_EQ(static_cast<int>(entries.size()), shipped);
  EXPECT_EQ(entries[0].sector, 1);
  EXPECT_TRUE(entries[0].usable);
  EXPECT_EQ(entries[0].walls_count, 2);
  EXPECT_EQ(entries[0].walls[1].x, 9);
  EXPECT_STREQ(entries[0].name.c_str(), arena_name(1));
  EXPECT_FALSE(entries[1].usable);
  EXPECT_EQ(entries[1].why, "Stena 1 stoji na mieste hraca 2 (19.5, 10.5)");
  EXPECT_FALSE(entries[2].usable);  // no file at all
  EXPECT_EQ(entries[2].why, "Subor chyba alebo sa neda citat");

  // chosen by its number, it is refused and the arena played stays
  ASSERT_TRUE(arena_choice_apply(ArenaChoice{false, 1}, entries));
  EXPECT_FALSE(arena_choice_apply(ArenaChoice{false, 2}, entries));
  EXPECT_FALSE(arena_choice_apply(ArenaChoice{false, 3}, entries));
  EXPECT_EQ(sector_chosen(), 1);
  EXPECT_EQ(arena_choice().sector, 1);

  // on the list, Space on it does nothing; on "any arena" and a playable one it chooses
  menus = MenuScreens();
  menus.choose_arena = -1;
  menus.arenas = entries;
  auto press_space_at = [](int row) {
    menus.picked = row;
    menus.choose_arena = -1;
    menus.keyboard[VK_SPACE] = true;
    menus.seen[VK_SPACE] = false;
    menu_arenas_keys();
    menus.keyboard[VK_SPACE] = false;
    return menus.choose_arena;
  };
  EXPECT_EQ(press_space_at(2), -1);
  EXPECT_EQ(press_space_at(3), -1);
  EXPECT_EQ(press_space_at(1), 1);
  EXPECT_EQ(press_space_at(0), 0);
}

TEST_F(ArenaFolder, AnyArenaIsDrawnFromTheMatchSeedAmongThePlayableOnes) {
  write(1, OPEN_FIELD);
  write(2, START_COVERED);
  write(4, OPEN_FIELD);
  write(6, OPEN_FIELD);
  ASSERT_TRUE(arena_choice_apply(ArenaChoice{true, 1}, arena_entries()));
  EXPECT_TRUE(sector_any());
  EXPECT_EQ(arena_choice_text(arena_choice()), "any");

  std::set<int> played;
  for (std::uint32_t seed = 1; seed <= 60; seed++) {
    match_seed_give(seed);
    match_seed_apply();
    // the bows' generator is seeded by the match start and left alone by the draw
    const int bows_next = (game_random_seed(seed), game_rand());
    game_random_seed(seed);
    sector_set();
    EXPECT_EQ(game_rand(), bows_next);
    played.insert(player[1].mapa);
    EXPECT_EQ(map_last_read().sector, player[1].mapa);
    // the same seed plays the same arena, as a recording or the other machine will
    const int first = player[1].mapa;
    match_seed_give(seed);
    match_seed_apply();
    sector_set();
    EXPECT_EQ(player[1].mapa, first) << seed;
  }
  // only playable ones, and not always the same
  EXPECT_EQ(played, (std::set<int>{1, 4, 6}));
  // an online host draws its game's arena the same way, and stays on "any arena"
  std::set<int> picked;
  for (std::uint32_t seed = 1; seed <= 60; seed++) picked.insert(sector_any_pick(seed));
  EXPECT_EQ(picked, played);
  EXPECT_TRUE(sector_any());

  // choosing one arena ends the draw
  ASSERT_TRUE(arena_choice_apply(ArenaChoice{false, 4}, arena_entries()));
  EXPECT_FALSE(sector_any());
  EXPECT_EQ(sector_any_pick(5), 4);
  for (std::uint32_t seed : {3u, 77u}) {
    match_seed_give(seed);
    match_seed_apply();
    sector_set();
    EXPECT_EQ(player[1].mapa, 4);
  }
}

TEST(ArenaChoice, TheSavedFormIsAnyOrTheArenasNumber) {
  ArenaChoice c;
  ASSERT_TRUE(arena_choice_parse("any", &c));
  EXPECT_TRUE(c.any);
  ASSERT_TRUE(arena_choice_parse("7", &c));
  EXPECT_FALSE(c.any);
  EXPECT_EQ(c.sector, 7);
  EXPECT_EQ(arena_choice_text(c), "7");
  for (const char* bad : {"", "0", "100", "Any", "7x", "-3", " 7"})
    EXPECT_FALSE(arena_choice_parse(bad, &c)) << bad;

  // the settings file keeps what the list can read back, and refuses the rest with its line
  Settings s;
  std::vector<std::string> problems;
  settings_read_text("[match]\narena = 07\n", "settings.ini", &s, &problems);
  EXPECT_EQ(s.arena, "7");
  for (const char* bad : {"0", "100", "all", "x7"}) {
    Settings t;
    problems.clear();
    settings_read_text(std::string("[match]\narena = ") + bad + "\n", "settings.ini", &t,
                       &problems);
    EXPECT_EQ(t.arena, "") << bad;
    ASSERT_EQ(problems.size(), 1u) << bad;
    EXPECT_NE(problems[0].find("settings.ini:2:"), std::string::npos) << problems[0];
  }
}

}  // namespace
