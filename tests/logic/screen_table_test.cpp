// The open screens are one value with a bit a screen: the screen up is the topmost open one
// whatever order they opened in, Esc takes down only the one up, and the dump's `set` of one
// flag leaves the others' bits as they were.
#include <gtest/gtest.h>

#include "flow/game.h"
#include "flow/screen.h"
#include "state/snapshot.h"
#include "state/state_fields.h"
#include "tests/game_state.h"

namespace {

class ScreenTable : public ::testing::Test {
 protected:
  ScreenTable() {
    snapshot_take(&saved);
    Dump_Init();
    reset_screen_flags();
  }
  ~ScreenTable() override { snapshot_put(saved); }
  GameSnapshot saved;
};

// In the order they stack, topmost first.
const char* const FLAGS[] = {"Help",           "Info",       "Nastavenia", "End",
                             "New_Nastavenia", "Start_Menu", "Menu"};

void set_flag(const char* name, const char* value) {
  const field_t* f = Dump_Find(name);
  ASSERT_TRUE(f && Dump_Set(f, value)) << name;
}

bool flag(const char* name) {
  return Field_Bool(Dump_Find(name));
}

TEST_F(ScreenTable, TheTopmostOpenIsUpWhicheverOpenedFirst) {
  for (int upper = 0; upper < SCREEN_PLAY; upper++)
    for (int lower = upper + 1; lower < SCREEN_PLAY; lower++)
      for (bool upper_first : {true, false}) {
        screens_open = 0;
        set_flag(FLAGS[upper_first ? upper : lower], "1");
        set_flag(FLAGS[upper_first ? lower : upper], "1");
        EXPECT_EQ(screen_up(), upper) << FLAGS[upper] << " over " << FLAGS[lower];
        EXPECT_TRUE(flag(FLAGS[upper]) && flag(FLAGS[lower]));
        set_flag(FLAGS[upper], "0");
        EXPECT_EQ(screen_up(), lower) << FLAGS[lower] << " is up again";
        EXPECT_TRUE(flag(FLAGS[lower]));
      }
  screens_open = 0;
  EXPECT_EQ(screen_up(), SCREEN_PLAY);
}

// Esc on a screen that closes takes its own bit down and no other; on the menus it does
// nothing; on the end screen it opens the pause menu under it.
TEST_F(ScreenTable, EscTakesDownOnlyTheScreenUp) {
  Help = Nastavenia = Start_Menu = true;
  keys[VK_ESCAPE] = true;
  screen_escape();
  EXPECT_TRUE(!Help && Nastavenia && Start_Menu && screen_up() == SCREEN_SPEED);
  key.esc = false;
  screen_escape();
  EXPECT_TRUE(!Nastavenia && Start_Menu && screen_up() == SCREEN_MAIN_MENU);
  key.esc = false;
  screen_escape();
  EXPECT_TRUE(Start_Menu && !Menu);
  Start_Menu = false;
  End = true;
  key.esc = false;
  screen_escape();
  EXPECT_TRUE(End && Menu && QReturn && screen_up() == SCREEN_END);
}

// A snapshot carries the open screens and puts them back over others.
TEST_F(ScreenTable, SnapshotCarriesTheOpenScreens) {
  Info = New_Nastavenia = Start_Menu = true;
  GameSnapshot taken;
  snapshot_take(&taken);
  screens_open = 0;
  Menu = true;
  snapshot_put(taken);
  EXPECT_TRUE(Info && New_Nastavenia && Start_Menu && !Menu && !Help);
}

}  // namespace
