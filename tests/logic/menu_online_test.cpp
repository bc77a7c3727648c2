// The host and join menus' keys: the typed field, the recent addresses picked, and a room
// refused while no meeting servers are set.
#include <gtest/gtest.h>

#include <cstring>

#include "flow/menu_screens.h"

void menu_host_keys();
void menu_join_keys();

namespace {

// One picture of the menu up with these keys newly down (and everything else up).
void picture(void (*keys)(), std::initializer_list<int> down, const std::string& typed = "") {
  std::memset(menus.seen, 0, sizeof menus.seen);
  std::memset(menus.keyboard, 0, sizeof menus.keyboard);
  for (int code : down) menus.keyboard[code] = true;
  menus.typed = typed;
  keys();
  menus.opened = false;
}

void open(GameKey menu) {
  menus = MenuScreens{};
  menus.host = HOST_NONE;
  menu_open(menu);
}

TEST(JoinField, TakesPrintableAsciiAloneWithinItsLength) {
  std::string field;
  EXPECT_TRUE(join_field_edit(&field, "127.0.0.1:28760"));
  EXPECT_EQ(field, "127.0.0.1:28760");
  // blanks, control characters and every byte of a character beyond ASCII are left out
  EXPECT_FALSE(join_field_edit(&field, " \t\xc3\xa9\x7f"));
  EXPECT_EQ(field, "127.0.0.1:28760");
  // Backspace erases where it was typed among the characters of one picture
  EXPECT_TRUE(join_field_edit(&field, "\b1:\b\b\b1"));
  EXPECT_EQ(field, "127.0.0.1:2871");
  std::string empty;
  EXPECT_FALSE(join_field_edit(&empty, "\b\b"));
  std::string longest(JOIN_FIELD_LONGEST - 1, 'a');
  EXPECT_TRUE(join_field_edit(&longest, "bcd"));
  EXPECT_EQ(longest, std::string(JOIN_FIELD_LONGEST - 1, 'a') + "b");
}

TEST(JoinMenu, JoinsTheFieldOrARecentOne) {
  open(GAME_KEY_JOIN);
  menus.field = "left over";
  menus.recent = {"192.168.1.5", "K7QF2M"};
  picture(menu_join_keys, {}, "10.0.0.");
  EXPECT_EQ(menus.field, "10.0.0.");  // a new join menu starts empty
  picture(menu_join_keys, {}, "\b2");
  picture(menu_join_keys, {VK_SPACE});
  EXPECT_EQ(menus.join, "10.0.02");
  menus.join.clear();
  picture(menu_join_keys, {VK_DOWN});
  picture(menu_join_keys, {VK_DOWN});
  picture(menu_join_keys, {VK_DOWN});  // the last row stays picked
  picture(menu_join_keys, {VK_ENTER});
  EXPECT_EQ(menus.join, "K7QF2M");
  menus.join.clear();
  // typing goes to the field, and picks it
  picture(menu_join_keys, {}, "5");
  EXPECT_EQ(menus.picked, 0);
  picture(menu_join_keys, {VK_SPACE});
  EXPECT_EQ(menus.join, "10.0.025");
}

TEST(JoinMenu, PicksAPublicRoomBelowTheRecentOnes) {
  open(GAME_KEY_JOIN);
  menus.recent = {"192.168.1.5"};
  menus.lobby = {"K7QF2M", "ABCDEF"};
  for (int row = 0; row < 3; row++) picture(menu_join_keys, {VK_DOWN});
  picture(menu_join_keys, {VK_SPACE});
  EXPECT_EQ(menus.join, "ABCDEF");
  menus.join.clear();
  menus.lobby.pop_back();  // its host went meanwhile
  picture(menu_join_keys, {VK_SPACE});
  EXPECT_EQ(menus.join, "");
}

TEST(JoinMenu, AnEmptyFieldJoinsNothing) {
  open(GAME_KEY_JOIN);
  picture(menu_join_keys, {VK_SPACE});
  EXPECT_EQ(menus.join, "");
}

TEST(HostMenu, RoomsNeedTheMeetingServers) {
  open(GAME_KEY_HOST);
  picture(menu_host_keys, {VK_DOWN});
  picture(menu_host_keys, {VK_SPACE});
  EXPECT_EQ(menus.host, HOST_NONE);
  menus.server_set = true;
  picture(menu_host_keys, {VK_SPACE});
  EXPECT_EQ(menus.host, HOST_ROOM_PUBLIC);
  picture(menu_host_keys, {VK_DOWN});
  picture(menu_host_keys, {VK_DOWN});
  picture(menu_host_keys, {VK_ENTER});
  EXPECT_EQ(menus.host, HOST_ROOM_PRIVATE);
  picture(menu_host_keys, {VK_UP});
  picture(menu_host_keys, {VK_UP});
  picture(menu_host_keys, {VK_SPACE});
  EXPECT_EQ(menus.host, HOST_LAN);
}

}  // namespace
