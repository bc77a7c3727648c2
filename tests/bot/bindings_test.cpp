// The binding table is the one place the players' keys are written down: rebound, the
// frame, the computer and online play's merge all follow it, and the old keys do nothing.
#include "state/bindings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "bot/bot.h"
#include "flow/game.h"
#include "session/lockstep.h"
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

// One frame of play with only this key down.
void frame_with(int code) {
  std::memset(keys, 0, sizeof keys);
  keys[code] = true;
  game_frame(nullptr);
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

// The edge key's latch lasts while the rebound key is held, though its old key is up.
TEST_F(Bindings, AReboundEdgeKeyActsOncePerPress) {
  in_play();
  for (int slot = 0; slot < 3; slot++) player[1].in[slot].have = true, player[1].in[slot].id = 1;
  for (int f = 0; f < 3; f++) frame_with(rebound(1, ACTION_CHANGE));
  EXPECT_EQ(player[1].show.id, 0);
}

TEST_F(Bindings, TheComputerPressesOnlyItsPlayersBoundKeys) {
  in_play();
  bot_play(2, 3);
  std::set<int> pressed;
  for (int f = 0; f < 3000; f++) {
    std::memset(keys, 0, sizeof keys);
    bot_press_keys(keys);
    for (int code = 1; code < KEY_CODES; code++)
      if (keys[code]) pressed.insert(code);
    game_frame(nullptr);
  }
  for (int code : pressed) {
    int numb = 0;
    EXPECT_EQ(bound_action(code, &numb) >= 0 && numb == 2, true) << "code " << code;
  }
  EXPECT_GE(pressed.size(), 4u);
}

TEST_F(Bindings, OnlineEitherHandsKeyIsTheSidesOwn) {
  InputEntry host, guest;
  host.count = 1, host.codes[0] = static_cast<std::uint8_t>(rebound(2, ACTION_UP));
  guest.count = 2, guest.codes[0] = static_cast<std::uint8_t>(rebound(1, ACTION_USE));
  guest.codes[1] = 'I';
  bool out[KEY_CODES];
  reset_screen_flags();
  move = true;
  merge_keys(host, guest, out);
  std::set<int> down;
  for (int code = 0; code < KEY_CODES; code++)
    if (out[code]) down.insert(code);
  EXPECT_EQ(down, (std::set<int>{rebound(1, ACTION_UP), rebound(2, ACTION_USE), 'I'}));
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
  EXPECT_FALSE(set_binding(3, ACTION_UP, 'W'));
  EXPECT_FALSE(set_binding(1, ACTION_UP, KEY_CODES));
}

}  // namespace
