// The players' keyboard keys are their own choice, but the record, and so the frame, the
// computer and online play's merge, only ever hold the game's own keys: rebound, the
// keyboard's keys are turned into those, and the old keyboard keys do nothing.
#include "state/bindings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "bot/bot.h"
#include "flow/game.h"
#include "flow/screen.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "tests/game_state.h"

namespace {

constexpr int DEFAULTS[BOUND_PLAYERS][ACTIONS] = {{'E', 'D', 'S', 'F', 'A', 'Q'},
                                                  {'I', 'K', 'J', 'L', 'M', 'N'}};

// Player 1 on Keypad 0 to 5, player 2 on F1 to F6: keys no screen reads by themselves.
int rebound(int numb, int action) {
  return (numb == 1 ? 96 : 112) + action;
}

class Bindings : public ::testing::Test {
 protected:
  void SetUp() override {
    startup_state();
    snapshot_take(&saved);
    for (int numb = 1; numb <= 2; numb++)
      for (int a = 0; a < ACTIONS; a++) ASSERT_TRUE(set_binding(numb, Action(a), rebound(numb, a)));
  }
  void TearDown() override {
    binding_defaults();
    bot_play(1, 0);
    bot_play(2, 0);
    snapshot_put(saved);
  }
  GameSnapshot saved;
};

// Both archers in play on an open field, nothing held.
void in_play() {
  reset_screen_flags();
  move = true;
  Build_Max = 0;
  for (int numb = 1; numb <= 2; numb++) {
    player[numb].play = player[numb].live = true;
    player[numb].x = 5.0f * numb, player[numb].y = 5;
    player[numb].show.id = -1;
  }
}

// One frame of play with only this key down on the keyboard.
void frame_with(int code) {
  bool keyboard[KEY_CODES] = {};
  keyboard[code] = true;
  std::memset(keys, 0, sizeof keys);
  keyboard_to_game(keyboard, keys);
  keys_step();
}

// The record's keys as the keyboard holding these gives them.
std::set<int> record_of(std::set<int> held) {
  bool keyboard[KEY_CODES] = {}, record[KEY_CODES] = {};
  for (int code : held) keyboard[code] = true;
  keyboard_to_game(keyboard, record);
  std::set<int> down;
  for (int code = 0; code < KEY_CODES; code++)
    if (record[code]) down.insert(code);
  return down;
}

TEST_F(Bindings, PlayFollowsTheTableAndTheOldKeysDoNothing) {
  const struct {
    Action action;
    float dx, dy;
  } walks[] = {{ACTION_UP, 0, 1}, {ACTION_DOWN, 0, -1}, {ACTION_LEFT, -1, 0}, {ACTION_RIGHT, 1, 0}};
  for (int numb = 1; numb <= 2; numb++) {
    for (const auto& w : walks) {
      SCOPED_TRACE(testing::Message() << "player " << numb << ", action " << w.action);
      in_play();
      frame_with(DEFAULTS[numb - 1][w.action]);
      EXPECT_EQ(player[numb].x, 5.0f * numb);
      EXPECT_EQ(player[numb].y, 5.0f);
      frame_with(rebound(numb, w.action));
      EXPECT_EQ((player[numb].x > 5.0f * numb) - (player[numb].x < 5.0f * numb), w.dx);
      EXPECT_EQ((player[numb].y > 5.0f) - (player[numb].y < 5.0f), w.dy);
    }
    for (Action a : {ACTION_USE, ACTION_CHANGE}) {
      in_play();
      frame_with(DEFAULTS[numb - 1][a]);
      EXPECT_FALSE(key.*action_latch(numb, a)) << "player " << numb << ", action " << a;
      frame_with(rebound(numb, a));
      EXPECT_TRUE(key.*action_latch(numb, a)) << "player " << numb << ", action " << a;
    }
  }
}

TEST_F(Bindings, TheKeyboardsKeysBecomeTheGamesOwn) {
  set_binding(1, ACTION_RIGHT, 'T');
  set_binding(2, ACTION_LEFT, 'F');  // player 1's own right key, now player 2's left
  EXPECT_EQ(record_of({'T'}), (std::set<int>{'F', 'T'}));
  EXPECT_EQ(record_of({'F'}), (std::set<int>{'J'}));
  EXPECT_EQ(record_of({'E', 'I'}), (std::set<int>{}));  // the old keys, bound to nothing
  EXPECT_EQ(record_of({VK_ESCAPE, 'H', VK_UP}), (std::set<int>{VK_ESCAPE, 'H', VK_UP}));
  binding_defaults();
  EXPECT_EQ(record_of({'E', 'N', 'I', VK_SPACE}), (std::set<int>{'E', 'N', 'I', VK_SPACE}));
}

// The edge key's latch lasts while the rebound key is held, though its old key is up.
TEST_F(Bindings, AReboundEdgeKeyActsOncePerPress) {
  in_play();
  for (int slot = 0; slot < 3; slot++) player[1].in[slot].have = true, player[1].in[slot].id = 1;
  for (int f = 0; f < 3; f++) frame_with(rebound(1, ACTION_CHANGE));
  EXPECT_EQ(player[1].show.id, 0);
}

TEST_F(Bindings, TheComputerPressesOnlyItsPlayersOwnKeys) {
  in_play();
  bot_play(2, 3);
  std::set<int> pressed;
  for (int f = 0; f < 3000; f++) {
    std::memset(keys, 0, sizeof keys);
    bot_press_keys(keys);
    for (int code = 1; code < KEY_CODES; code++)
      if (keys[code]) pressed.insert(code);
    keys_step();
  }
  for (int code : pressed) {
    int numb = 0;
    EXPECT_EQ(game_action(code, &numb) >= 0 && numb == 2, true) << "code " << code;
  }
  EXPECT_GE(pressed.size(), 4u);
}

// The controls screen, one picture per key pressed (and let go): Enter on the colour screen
// opens it (not with the description over it), the arrows pick, Enter waits for a key that
// is bound and left to save, a key in use or the game's own is refused, Esc keeps the old
// key, "defaults" puts every key back, and Esc leaves with its latch set for the colour screen.
TEST_F(Bindings, TheControlsScreenRebindsByKeys) {
  binding_defaults();
  reset_screen_flags();
  New_Nastavenia = Help = true;
  controls = {};
  auto tap = [](int code) {
    bool keyboard[KEY_CODES] = {};
    keyboard[code] = true;
    bool up = controls_screen_keys(keyboard);
    keyboard[code] = false;
    return controls_screen_keys(keyboard) && up;
  };
  EXPECT_FALSE(tap(VK_ENTER));
  Help = false;
  EXPECT_TRUE(tap(VK_ENTER) && controls.shown && controls.picked == 0);
  EXPECT_EQ(screen_up(), SCREEN_COLOUR) << "the colour screen waits under it, in the state";
  bool down[KEY_CODES] = {};
  down[VK_DOWN] = true;
  for (int picture = 0; picture < 3; picture++) controls_screen_keys(down);
  EXPECT_EQ(controls.picked, 1) << "a key held over three pictures picks once";
  EXPECT_TRUE(tap(VK_UP) && controls.picked == 0);
  const struct {
    int code, picked;
    bool waiting;
    int up_key, down_key;  // player 1's
    bool refused;
  } presses[] = {
      {VK_ENTER, 0, true, 'E', 'D', false},   {'W', 0, false, 'W', 'D', false},
      {VK_DOWN, 1, false, 'W', 'D', false},   {VK_ENTER, 1, true, 'W', 'D', false},
      {'I', 1, false, 'W', 'D', true},        {VK_RIGHT, 7, false, 'W', 'D', false},
      {VK_LEFT, 1, false, 'W', 'D', false},   {VK_UP, 0, false, 'W', 'D', false},
      {VK_UP, 0, false, 'W', 'D', false},     {VK_ENTER, 0, true, 'W', 'D', false},
      {'H', 0, false, 'W', 'D', true},        {VK_ENTER, 0, true, 'W', 'D', false},
      {VK_ESCAPE, 0, false, 'W', 'D', false},
  };
  for (const auto& p : presses) {
    SCOPED_TRACE(testing::Message() << "key " << p.code);
    EXPECT_TRUE(tap(p.code));
    EXPECT_EQ(controls.picked, p.picked);
    EXPECT_EQ(controls.waiting, p.waiting);
    EXPECT_EQ(binding(1, ACTION_UP), p.up_key);
    EXPECT_EQ(binding(1, ACTION_DOWN), p.down_key);
    EXPECT_EQ(controls.refusal != nullptr, p.refused);
  }
  EXPECT_TRUE(controls.unsaved[0][ACTION_UP] && !controls.unsaved[0][ACTION_DOWN]);
  controls.picked = CONTROLS_DEFAULTS - 1;
  // the defaults row belongs to neither player: Left keeps it picked
  EXPECT_TRUE(tap(VK_DOWN) && tap(VK_LEFT) && tap(VK_ENTER));
  EXPECT_TRUE(binding(1, ACTION_UP) == 'E' && controls.unsaved[1][ACTION_CHANGE]);
  EXPECT_FALSE(tap(VK_ESCAPE));
  EXPECT_TRUE(key.esc && screen_up() == SCREEN_COLOUR);
}

TEST(KeyNames, ReadBackAsTheirCodes) {
  for (int code = 1; code < KEY_CODES; code++) {
    if (!key_name(code)[0]) continue;
    EXPECT_EQ(key_code(key_name(code)), code) << key_name(code);
  }
  EXPECT_STREQ(key_name('E'), "E");
  EXPECT_EQ(key_code("keypad 8"), 104);
  EXPECT_EQ(key_code("Right Shift"), 16);
  EXPECT_EQ(key_code("e"), 'E');
  EXPECT_EQ(key_code("Keypad"), 0);
  EXPECT_EQ(key_code(""), 0);
  EXPECT_EQ(game_key(3, ACTION_UP), 0);
  EXPECT_FALSE(set_binding(3, ACTION_UP, 'W'));
  EXPECT_FALSE(set_binding(1, ACTION_UP, KEY_CODES));
}

}  // namespace
