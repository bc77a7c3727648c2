// The arena list: what can be chosen, "any arena" drawn from the match's seed, and the saved
// choice.
#include "flow/arena_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>

#include "flow/menu_screens.h"
#include "flow/own_arenas.h"
#include "state/game_random.h"
#include "state/language.h"
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
  ASSERT_TRUE(arena_choice_apply(ArenaChoice{false, 1, ""}, entries));
  EXPECT_FALSE(arena_choice_apply(ArenaChoice{false, 2, ""}, entries));
  EXPECT_FALSE(arena_choice_apply(ArenaChoice{false, 3, ""}, entries));
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
  ASSERT_TRUE(arena_choice_apply(ArenaChoice{true, 1, ""}, arena_entries()));
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
  ASSERT_TRUE(arena_choice_apply(ArenaChoice{false, 4, ""}, arena_entries()));
  EXPECT_FALSE(sector_any());
  EXPECT_EQ(sector_any_pick(5), 4);
  for (std::uint32_t seed : {3u, 77u}) {
    match_seed_give(seed);
    match_seed_apply();
    sector_set();
    EXPECT_EQ(player[1].mapa, 4);
  }
}

// Online, the host gives each match's map with the match's seed: under "any arena" every
// match draws its own arena from its own seed, the guest plays what the host gives, and
// both play what a local match on that seed would.
TEST_F(ArenaFolder, OnlineAnyArenaIsDrawnAfreshFromEachMatchsSeed) {
  write(1, "0\n-100\n-100\n-1\n-1\n1\n1\n5\n2\n2\n");
  write(4, "0\n-100\n-100\n-1\n-1\n1\n4\n5\n2\n2\n");
  write(6, "0\n-100\n-100\n-1\n-1\n1\n6\n5\n2\n2\n");
  ASSERT_TRUE(arena_choice_apply(ArenaChoice{true, 1, ""}, arena_entries()));
  auto local_arena = [](std::uint32_t seed) {
    map_use_file();
    match_seed_give(seed);
    match_seed_apply();
    sector_set();
    return player[1].mapa;
  };
  // the guest's match start takes the host's map and its seed, as a frame given them does
  auto guest_plays = [](const MapText& map) {
    map_use_given(map.present, map.text.data(), map.text.size(), map.sector, map.name);
    ASSERT_TRUE(map.seeded);
    match_seed_give(map.seed);
    match_seed_apply();
    sector_set();
  };
  std::set<int> played;
  for (std::uint32_t seed = 1; seed <= 12; seed++) {
    const MapText map = sector_match_map(seed);  // the host, between two matches
    const int expected = local_arena(seed);
    EXPECT_EQ(map.seed, seed);
    EXPECT_EQ(map.sector, expected) << seed;
    EXPECT_EQ(map.name, arena_name(expected));
    guest_plays(map);
    EXPECT_EQ(player[1].mapa, expected) << seed;
    EXPECT_EQ(build[1].x, expected) << seed;  // the drawn arena's own wall
    EXPECT_EQ(map_last_read().seed, seed);
    // the colour screen names what will be played, not this side's "any arena"
    EXPECT_EQ(arena_played_name(), tr(arena_name(expected)));
    played.insert(expected);
  }
  EXPECT_GT(played.size(), 1u);  // one session's matches do not all play one arena
  // a host's own arena by the name he gave it; back on files, the choice's name again
  map_use_given(true, "0\n", 2, 0, "moja_arena");
  EXPECT_EQ(arena_played_name(), "moja_arena");
  map_use_file();
  EXPECT_EQ(arena_played_name(), tr("Nahodna arena"));
}

// The saved own arena is read again from the player's folder at start-up; one gone or that
// cannot be played leaves the arena played as it was, and says why.
TEST_F(ArenaFolder, ASavedOwnArenaIsPlayedAgainOrRefusedWithWhy) {
  write(1, OPEN_FIELD);
  const std::string data = std::string(folder) + "/data";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  const std::string arenas = own_arenas_folder();
  ASSERT_EQ(arenas, data + "/korvalen/arenas");
  bool exists = false;
  ASSERT_EQ(own_arena_save(arenas, "moja", {Wall{7, 2, 3, 1}}, false, &exists), "");
  // a wall over the second starting place (19.5, 10.5), on the file's line 11
  std::FILE* f = std::fopen((arenas + "/zla.txt").c_str(), "wb");
  std::fputs(START_COVERED, f);
  std::fclose(f);

  ArenaChoice c;
  ASSERT_TRUE(arena_choice_parse("own:moja", &c));
  EXPECT_EQ(arena_choice_text(c), "own:moja");
  std::string why;
  ASSERT_TRUE(arena_choice_restore(c, &why)) << why;
  EXPECT_EQ(sector_chosen(), 0);
  EXPECT_EQ(arena_choice_name(), "moja");
  EXPECT_EQ(arena_choice_text(arena_choice()), "own:moja");
  sector_set();
  EXPECT_EQ(player[1].mapa, 0);
  EXPECT_EQ(map_last_read().name, "moja");
  EXPECT_EQ(build[1].x, 7);
  EXPECT_EQ(build[1].x2, 3);

  // gone, or not playable: refused with why, and the arena chosen before stays
  ASSERT_TRUE(arena_choice_apply(ArenaChoice{false, 1, ""}, arena_entries()));
  ASSERT_TRUE(arena_choice_parse("own:gone", &c));
  why.clear();
  EXPECT_FALSE(arena_choice_restore(c, &why));
  EXPECT_EQ(why, "Neda sa citat");
  ASSERT_TRUE(arena_choice_parse("own:zla", &c));
  why.clear();
  EXPECT_FALSE(arena_choice_restore(c, &why));
  EXPECT_EQ(why.rfind("Stena 1 stoji na mieste hraca 2", 0), 0u) << why;
  EXPECT_EQ(sector_chosen(), 1);
  EXPECT_EQ(arena_choice_text(arena_choice()), "1");
  // and an own arena is chosen only from its own entry, never a shipped one's
  EXPECT_FALSE(arena_choice_apply(ArenaChoice{false, 0, "moja"}, arena_entries()));

  std::remove((arenas + "/moja.txt").c_str());
  std::remove((arenas + "/zla.txt").c_str());
  for (const std::string& d : {arenas, data + "/korvalen", data}) rmdir(d.c_str());
  unsetenv("XDG_DATA_HOME");
}

TEST(ArenaChoice, TheSavedFormIsAnyOrTheArenasNumber) {
  ArenaChoice c;
  ASSERT_TRUE(arena_choice_parse("any", &c));
  EXPECT_TRUE(c.any);
  ASSERT_TRUE(arena_choice_parse("7", &c));
  EXPECT_FALSE(c.any);
  EXPECT_EQ(c.sector, 7);
  EXPECT_EQ(arena_choice_text(c), "7");
  ASSERT_TRUE(arena_choice_parse("own:moja_2", &c));
  EXPECT_EQ(c.own, "moja_2");
  for (const char* bad : {"", "0", "100", "Any", "7x", "-3", " 7", "own:", "own:a/b", "own:.."})
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
