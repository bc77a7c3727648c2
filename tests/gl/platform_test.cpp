// The platform layer: each key's code in held_keys[], the system keys the game never sees, a
// failed start's box, a window of height 0 (full screen and the question: full_screen_test.sh,
// window_test.sh).
#include <GL/gl.h>
#include <SDL.h>

#include <string>
#include <vector>

#include "render/render.h"
#include "state/bindings.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"

enum Place { A_PLACE = 4, F10_PLACE = 67, LALT_PLACE = 226 };  // places: USB HID ids (scancodes)
constexpr int NO_CHAR = 0x40000000;  // keys that print nothing carry this bit

// Letters follow the layout; digits, the keypad, Enter, arrows and the rest go by place
// (through one table: F10 and Alt stand for it, the system keys).
TEST(KeyTable, LettersFollowTheLayoutTheRestThePlace) {
  const struct {
    int printed, place, code;
  } cases[] = {
      {'z', 28, 'Z'},         // Slovak: Z where an English keyboard has Y
      {'m', 51, 'M'},         // French: M right of L, where the key table has a semicolon
      {0x444, A_PLACE, 'A'},  // Cyrillic: the letter of the key's place
      {'&', 30, '1'},         // the top row gives its digit whatever it prints
      {NO_CHAR | F10_PLACE, F10_PLACE, 121},
      {NO_CHAR | 230, 230, 18},  // right Alt
      {NO_CHAR | 258, 258, 0},   // a media key has no code: not recorded at all
  };
  for (const auto& k : cases)
    EXPECT_EQ(keymap_virtual_key(k.printed, k.place), k.code) << "place " << k.place;
}

// The names a settings file gives keys are SDL's own names of the keys that give those codes.
TEST(KeyTable, EachKeyGoesByItsSdlName) {
  int named = 0;
  for (int place = 0; place < SDL_NUM_SCANCODES; place++) {
    const int code = keymap_virtual_key(0, place);
    const char* name = SDL_GetScancodeName(static_cast<SDL_Scancode>(place));
    if (!code || !*name) continue;
    EXPECT_EQ(key_code(name), code) << name;
    named++;
  }
  EXPECT_GT(named, 90);
}

// held_keys[] after one key event went through the window procedure.
static bool after(int keycode, int place, bool down, bool alt, int vk) {
  WndProc(KeyMessage(keycode, place, down, alt));
  return held_keys[vk];
}

TEST(WindowProcedure, SystemKeysNeverGoDownButEveryKeyComesUp) {
  for (bool& k : keys) k = false;
  KeysAfterFrame();
  EXPECT_TRUE(after('e', 8, true, false, 'E'));
  // A tap no frame has seen yet stays down until the next frame is over.
  EXPECT_TRUE(after('e', 8, false, false, 'E'));
  KeysAfterFrame();
  EXPECT_FALSE(after(NO_CHAR | LALT_PLACE, LALT_PLACE, true, true, 18));
  EXPECT_FALSE(after(NO_CHAR | F10_PLACE, F10_PLACE, true, false, 121));
  EXPECT_FALSE(after('a', A_PLACE, true, true, 'A'));  // A pressed with Alt is Alt+A
  // Alt's own key up, and A's let go while Alt is down, clear the key like any other.
  EXPECT_EQ(KeyMessage(NO_CHAR | LALT_PLACE, LALT_PLACE, false, true).message, WM_KEYUP);
  EXPECT_EQ(KeyMessage('a', A_PLACE, false, true).message, WM_KEYUP);
  EXPECT_EQ(KeyMessage(NO_CHAR | 258, 258, true, false).message, WM_NULL);
}

// A failed start's box says why on the line under its own text; other boxes show their text.
TEST(MessageBoxes, AFailedStartShowsItsReasonUnderTheText) {
  static std::string shown;
  MessageBoxHook before = message_box_hook;
  message_box_hook = [](const char* text, const char*, BoxIcon, bool) {
    shown = text;
    return false;
  };
  MessageBoxA("Initialization Failed.", "ERROR", BoxIcon::exclamation,
              "could not read Data/texture/1.bmp in /tmp: missing");
  EXPECT_EQ(shown, "Initialization Failed.\ncould not read Data/texture/1.bmp in /tmp: missing");
  MessageBoxA("Program sa zatvori.", "OZNAM", BoxIcon::stop);
  EXPECT_EQ(shown, "Program sa zatvori.");
  message_box_hook = before;
}

// A window of height 0 gets a one-pixel picture in the middle, projected at 45 degrees and the
// picture's aspect (1 / tan 22.5 = 2.41421). Wide and tall windows: window_shape_test.sh.
TEST_F(GlTest, WindowOfHeightZeroStillGetsAPicture) {
  WndProc({WM_SIZE, 0, 800, 0});
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({399, 0, 1, 1}));
  GLfloat p[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  EXPECT_NEAR(p[0], 2.41421f, 1e-4f);
  EXPECT_NEAR(p[5], 2.41421f, 1e-4f);
  int width, height;
  WindowDrawableSize(&width, &height);
  WndProc({WM_SIZE, 0, width, height});
}

// The texture bound to GL_TEXTURE_2D now.
static GLuint bound() {
  GLint name = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
  return name;
}

TEST_F(GlTest, BindersOutOfRangeFallBackOrLeaveTheBinding) {
  Texture_set(10);
  EXPECT_EQ(bound(), texture[0]);
  Texture_set(3);
  Texture_set(-1);
  EXPECT_EQ(bound(), texture[0]);
  Texture_n_hore(0);
  for (int c : {0, 7}) Texture_NCP_(c), Texture_NCP_h(c);
  EXPECT_EQ(bound(), texture[48]);
}
