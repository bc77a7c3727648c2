// The game's own menus as a player works them: the options change by Left, Right and Space,
// the computer's level is picked by its digit, and Space watches the kept match picked.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

#include "flow/menu_screens.h"

// each menu's keys, as the game's menu table holds them
void menu_options_keys();
void menu_computer_keys();
void menu_recordings_keys();

namespace {

// One picture's keys on the menu up: those given went down since the last picture.
void press(void (*keys)(), std::initializer_list<int> down) {
  std::memset(menus.keyboard, 0, sizeof menus.keyboard);
  std::memset(menus.seen, 0, sizeof menus.seen);
  for (int code : down) menus.keyboard[code] = true;
  keys();
  menus.opened = false;
}

TEST(MenuKeys, OptionsChangeByLeftRightAndSpace) {
  menus = MenuScreens{};
  menu_open(GAME_KEY_OPTIONS);
  menus.options.volume = 50;
  press(menu_options_keys, {VK_LEFT});
  EXPECT_EQ(menus.options.volume, 40);
  press(menu_options_keys, {VK_RIGHT});
  press(menu_options_keys, {VK_SPACE});
  EXPECT_EQ(menus.options.volume, 60);
  for (int i = 0; i < 6; i++) press(menu_options_keys, {VK_RIGHT});
  EXPECT_EQ(menus.options.volume, 100);

  menus.picked = OPTION_SPEED;
  menus.options.speed = 1;
  press(menu_options_keys, {VK_LEFT});
  EXPECT_EQ(menus.options.speed, 1);
  press(menu_options_keys, {VK_RIGHT});
  EXPECT_EQ(menus.options.speed, 2);
  press(menu_options_keys, {VK_ENTER});
  press(menu_options_keys, {VK_SPACE});
  EXPECT_EQ(menus.options.speed, 1) << "Space and Enter go round";
  press(menu_options_keys, {});
  EXPECT_EQ(menus.options.speed, 1);
}

TEST(MenuKeys, TheComputersLevelByItsDigitAndAKeptMatchBySpace) {
  menus = MenuScreens{};
  for (int level = 1; level <= 3; level++) {
    menu_open(GAME_KEY_COMPUTER);
    menus.options.computer_level = 2;
    menus.start_computer = 0;
    press(menu_computer_keys, {'0' + level});
    EXPECT_EQ(menus.start_computer, level);
    EXPECT_EQ(menu_up(), GAME_KEYS) << "the match starts";
  }
  menu_open(GAME_KEY_COMPUTER);
  menus.options.computer_level = 3;
  press(menu_computer_keys, {VK_DOWN});
  press(menu_computer_keys, {VK_SPACE});
  EXPECT_EQ(menus.start_computer, 3) << "no level past the third";

  menu_open(GAME_KEY_RECORDINGS);
  menus.listed = {"2026-12-08_101500_red-vs-blue", "2026-12-07_101500_red-vs-blue"};
  menus.watch = -1;
  press(menu_recordings_keys, {VK_DOWN});
  press(menu_recordings_keys, {VK_DOWN});
  EXPECT_EQ(menus.watch, -1);
  press(menu_recordings_keys, {VK_SPACE});
  EXPECT_EQ(menus.watch, 1);
}

}  // namespace
