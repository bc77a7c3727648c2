// Gamepads, as virtual pads SDL plugs in, through the game's own event handling to the frames.
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "flow/editor.h"
#include "flow/game.h"
#include "flow/menu_screens.h"
#include "game/input.h"
#include "game/menu_screens.h"
#include "state/bindings.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"

// A key on the test X server's keyboard (XTest), as a player's hands press it; x_keys.cpp.
void x_key(const char* keysym_name, bool down);

namespace {

// Every waiting message, as the loop takes them between two frames.
void messages() {
  MSG msg;
  while (PeekMessageA(&msg)) DispatchMessageA(&msg);
}

// One turn of the game's loop: the messages, then one frame.
void frame() {
  messages();
  local_frame(nullptr);
  KeysAfterFrame();
}

// The keys the last step read from its commands, in code order: letters as themselves.
std::string seen() {
  const std::map<int, std::string> named = {
      {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"}, {VK_UP, "Up"}, {VK_DOWN, "Down"}};
  std::string names;
  for (int vk = 1; vk < KEY_CODES; vk++)
    if (step_holds(vk)) names += " " + (named.count(vk) ? named.at(vk) : std::string(1, char(vk)));
  return names.substr(names.empty() ? 0 : 1);
}

// A button, or with a value the stick pushed that far on one axis; the keys each pad presses.
struct Control {
  PadButton button;
  const char *player1 = "", *player2 = "";
  PadAxis axis = PAD_LEFTX;
  int value = 0;
};
const Control controls[] = {
    {PAD_DPAD_UP, "Up E", "I"},  // player 2's up is the credits key I on menus
    {PAD_DPAD_DOWN, "Down D", "Down K"},
    {PAD_DPAD_LEFT, "S", "J"},
    {PAD_DPAD_RIGHT, "F", "L"},
    {PAD_A, "Space A", "Space M"},
    {PAD_B, "Q", "N"},
    {PAD_X, "Q", "N"},
    {PAD_START, "Esc", "Esc"},
    {PAD_BACK, "", ""},  // both players have a pad: no hand-over
    {PAD_Y, "Up E", "I", PAD_LEFTY, -32768},
    {PAD_Y, "Down D", "Down K", PAD_LEFTY, 32767},
    {PAD_Y, "S", "J", PAD_LEFTX, -17000},
    {PAD_Y, "F", "L", PAD_LEFTX, 17000},
    {PAD_Y, "", "", PAD_LEFTX, 15000},  // inside the dead zone
    {PAD_Y, "", "", PAD_LEFTY, -15000},
};

// Both pads plugged in on the main menu: the first plays player 1, the second player 2.
class Pads : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    start = true;
    frame();
    one = TestPadPlug(1), two = TestPadPlug(2);
    ASSERT_TRUE(one >= 0 && two >= 0);
    frame();
  }
  void TearDown() override {
    for (int pad : {one, two})
      if (pad >= 0) TestPadUnplug(pad);
    frame();
  }
  void hold(int pad, const Control& c, bool down) {
    if (c.value)
      TestPadAxis(pad, c.axis, down ? c.value : 0);
    else
      TestPadButton(pad, c.button, down);
  }
  // Presses a control for one frame and lets go in the next; what the first frame saw.
  std::string press(int pad, const Control& c) {
    hold(pad, c, true);
    frame();
    std::string keys_seen = seen();
    hold(pad, c, false);
    frame();
    return keys_seen;
  }
  int one = -1, two = -1;
};

// What a player can see change, in groups: screens, highlight, colours, the archers.
std::vector<std::vector<double>> effects() {
  return {{double(Start_Menu), double(Menu), double(New_Nastavenia), double(Nastavenia),
           double(Help), double(Info), double(End), double(Exit), double(move)},
          {double(QNew), double(QNastavenia), double(QExit), double(QReturn), double(QEnd)},
          {double(player[1].color), double(player[2].color)},
          {player[1].x, player[1].y, player[2].x, player[2].y, double(player[1].show.id),
           double(player[2].show.id), double(player[1].kill), double(player[2].kill)}};
}

// Every control of either pad presses its player's keys, with at most one effect on a menu
// with both arrows live, the colour screen, play, the end and the pause menu. (On credits,
// description or speed, what a pad presses can change only which screen is up.)
TEST_F(Pads, EveryControlPressesItsPlayersKeysWithOneEffectOnAnyScreen) {
  void (*screens[])() = {
      [] { Start_Menu = QNastavenia = true; },
      [] { Start_Menu = New_Nastavenia = true; },
      [] { move = true; },
      [] { End = true; },
      [] {
        // Player 2 before player 1's sword, no bow to pick up: the A that resumes must not strike.
        Menu = QReturn = true;
        for (auto& bow : g_wepon) bow.ly = false;
        player[1].x = player[2].x = player[1].y = 5;
        player[2].y = 6.05f;
        player[1].alpha = hore;
      },
  };
  for (const auto& set_screen : screens)
    for (const Control& c : controls)
      for (int pad : {one, two}) {
        SCOPED_TRACE(testing::Message() << "screen " << &set_screen - screens << ", pad " << pad
                                        << ", " << c.button << " " << c.axis << " " << c.value);
        // Both archers on their spawns, where starting a match puts them too.
        reset_screen_flags();
        New_game_set(), move = true;
        frame();
        reset_screen_flags();
        set_screen();
        frame();
        auto before = effects();
        hold(pad, c, true);
        frame();
        auto after = effects();
        EXPECT_EQ(seen(), pad == one ? c.player1 : c.player2);
        hold(pad, c, false);
        frame();
        EXPECT_EQ(seen(), "") << "left down";
        // A menu that opens brings its own highlight: that is part of opening it.
        bool menu_opened = after[0][0] > before[0][0] || after[0][1] > before[0][1];
        int changed = -(menu_opened && before[1] != after[1]);
        for (size_t g = 0; g < before.size(); g++) changed += before[g] != after[g];
        EXPECT_LE(changed, 1);
      }
}

// No ghosting: both players' six inputs held at once, all seen in the same frame. They are
// the game's own keys whatever the keyboard is bound to: rebinding takes none away.
TEST_F(Pads, BothPadsHeldAtOnceAreSeenInOneFrame) {
  set_binding(2, ACTION_CHANGE, 104);  // Keypad 8, seen as h
  for (int pad : {one, two})
    for (PadButton b : {PAD_DPAD_UP, PAD_DPAD_DOWN, PAD_DPAD_LEFT, PAD_DPAD_RIGHT, PAD_A, PAD_X})
      TestPadButton(pad, b, true);
  frame();
  const std::string held = seen();
  frame();
  binding_defaults();
  EXPECT_EQ(held, "Space Up Down A D E F I J K L M N Q S");
  EXPECT_EQ(seen(), "Space Up Down D E F I J K L N Q S") << "A attacks once, Space stays";
}

TEST_F(Pads, UnpluggedPadsLetGoAtOnceAndComeBackToTheirPlayer) {
  for (PadButton b : {PAD_DPAD_RIGHT, PAD_DPAD_UP, PAD_START}) TestPadButton(two, b, true);
  frame();
  TestPadButton(one, PAD_A, true);
  messages();
  TestPadUnplug(one);  // a tap no frame has seen yet still counts once
  TestPadUnplug(two);
  frame();
  EXPECT_EQ(seen(), "Space A");
  frame();
  EXPECT_EQ(seen(), "");
  two = TestPadPlug(2);  // the second pad comes back first: player 2 still
  frame();
  EXPECT_EQ(press(two, {PAD_DPAD_UP}), "I");
}

// Two pads of one model with no serial number: each plays its own player, and each comes
// back to him whichever is plugged back first, as its socket tells.
TEST_F(Pads, TwoPadsOfOneModelEachPlayTheirOwnPlayer) {
  TestPadUnplug(one), TestPadUnplug(two);
  one = TestPadPlug(3, "/dev/input/event5"), two = TestPadPlug(3, "/dev/input/event6");
  frame();
  EXPECT_EQ(press(one, {PAD_DPAD_UP}), "Up E");
  EXPECT_EQ(press(two, {PAD_DPAD_UP}), "I");
  TestPadUnplug(one), TestPadUnplug(two);
  frame();
  two = TestPadPlug(3, "/dev/input/event6");
  frame();
  EXPECT_EQ(press(two, {PAD_DPAD_UP}), "I") << "taken for the other pad coming back";
  one = TestPadPlug(3, "/dev/input/event5");
  frame();
  EXPECT_EQ(press(one, {PAD_DPAD_UP}), "Up E");
}

TEST_F(Pads, BackHandsThePadToAPlayerWithoutOne) {
  TestPadUnplug(two);
  TestPadButton(one, PAD_DPAD_RIGHT, true);
  frame();
  TestPadButton(one, PAD_BACK, true);
  frame();
  EXPECT_EQ(seen(), "L") << "player 1's keys let go, player 2's pressed";
  TestPadButton(one, PAD_BACK, false);
  TestPadButton(one, PAD_DPAD_RIGHT, false);
  frame();
  press(one, {PAD_BACK});
  EXPECT_EQ(press(one, {PAD_DPAD_UP}), "Up E");
}

// Runs frames until the frame sees key vk as want, for half a minute at most.
bool frames_until(int vk, bool want) {
  for (int i = 0; i < 3000 && step_holds(vk) != want; i++) {
    frame();
    if (step_holds(vk) != want) usleep(10000);
  }
  return step_holds(vk) == want;
}

TEST_F(Pads, AKeyHeldOnTheKeyboardAndAPadIsUpOnlyWhenBothLetGo) {
  x_key("e", true);
  ASSERT_TRUE(frames_until('E', true)) << "the keyboard's E never reached the game";
  TestPadButton(one, PAD_DPAD_UP, true);
  frame();
  x_key("e", false);
  x_key("w", true);  // W's arrival tells E's key-up has been handled
  ASSERT_TRUE(frames_until('W', true));
  EXPECT_TRUE(step_holds('E')) << "the pad still holds E";
  x_key("e", true);
  x_key("w", false);
  ASSERT_TRUE(frames_until('W', false));
  TestPadButton(one, PAD_DPAD_UP, false);
  frame();
  EXPECT_TRUE(step_holds('E')) << "the keyboard still holds E";
  x_key("e", false);
  EXPECT_TRUE(frames_until('E', false));
}

// One picture of the loop while a menu of the game's own is up: its keys, then its picture.
void menu_picture() {
  messages();
  menu_screens_picture();
  KeysAfterFrame();
}

// A pad alone makes a wall in the editor and takes it away: its cross moves the cursor, its
// change button switches to sizing and back, A places the wall and takes it up again. The
// other player's pad moves the same cursor.
TEST_F(Pads, TheEditorPlacesAndRemovesAWallByPad) {
  // the menus as the game starts them, put back afterwards for the other tests' screens
  struct KeepMenus {
    MenuScreens before = menus;
    ~KeepMenus() { menus = before; }
  } keep;
  menus.watch = menus.choose_arena = -1;
  editor = Editor();
  menu_open(GAME_KEY_EDITOR);
  menu_picture();
  ASSERT_EQ(menu_up(), GAME_KEY_EDITOR);
  auto tap = [&](int pad, PadButton b) {
    TestPadButton(pad, b, true);
    menu_picture();
    TestPadButton(pad, b, false);
    menu_picture();
  };
  for (int i = 0; i < 3; i++) tap(one, PAD_DPAD_RIGHT);
  for (int i = 0; i < 3; i++) tap(two, PAD_DPAD_UP);
  tap(one, PAD_DPAD_DOWN);
  tap(one, PAD_DPAD_LEFT);
  EXPECT_EQ(editor.cursor.x, 2);
  EXPECT_EQ(editor.cursor.y, 2);
  tap(one, PAD_B);
  EXPECT_EQ(editor.mode, EDITOR_SIZE);
  tap(one, PAD_DPAD_RIGHT);
  tap(two, PAD_DPAD_UP);
  tap(one, PAD_B);
  EXPECT_EQ(editor.mode, EDITOR_WALLS);
  EXPECT_TRUE(editor.walls.empty()) << "nothing placed while moving and sizing";
  tap(one, PAD_A);
  ASSERT_EQ(editor.walls.size(), 1u);
  EXPECT_EQ(editor.walls[0].x, 2);
  EXPECT_EQ(editor.walls[0].y, 2);
  EXPECT_EQ(editor.walls[0].w, 2);
  EXPECT_EQ(editor.walls[0].h, 2);
  // moved onto the wall's far cell, A takes the whole wall up
  tap(two, PAD_DPAD_RIGHT);
  tap(two, PAD_DPAD_UP);
  tap(two, PAD_A);
  EXPECT_TRUE(editor.walls.empty());
  // Start is Esc: back on the main menu
  tap(one, PAD_START);
  EXPECT_EQ(menu_up(), GAME_KEYS);
}

}  // namespace
