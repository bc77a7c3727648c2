// The platform layer: which code each key gets in held_keys[], the system keys the
// game never sees, a window of height 0. (The question a start asks when the screen has
// no full-screen mode of the asked size is the real game's, in window_test.sh.)
// Key places are given as USB HID usage ids (what SDL calls scancodes).
#include <GL/gl.h>

#include "render/render.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"

enum Place {
  A_PLACE = 4,
  Y_PLACE = 28,
  Z_PLACE = 29,
  DIGIT1_PLACE = 30,
  DIGIT0_PLACE = 39,
  ENTER_PLACE = 40,
  SPACE_PLACE = 44,
  SEMICOLON_PLACE = 51,
  F10_PLACE = 67,
  DOWN_PLACE = 81,
  UP_PLACE = 82,
  KP_ENTER_PLACE = 88,
  KP1_PLACE = 89,
  KP0_PLACE = 98,
  LALT_PLACE = 226,
  RALT_PLACE = 230,
};
constexpr int NO_CHAR = 0x40000000;  // keys that print nothing carry this bit

TEST(KeyTable, LettersFollowTheLayout) {
  EXPECT_EQ(keymap_virtual_key('a', A_PLACE), 65);
  // A Slovak keyboard has Z where an English one has Y, and the reverse.
  EXPECT_EQ(keymap_virtual_key('z', Y_PLACE), 'Z');
  EXPECT_EQ(keymap_virtual_key('y', Z_PLACE), 'Y');
  // A French keyboard prints M right of L.
  EXPECT_EQ(keymap_virtual_key('m', SEMICOLON_PLACE), 'M');
  // A Cyrillic layout keeps the letters of the key's place.
  EXPECT_EQ(keymap_virtual_key(0x444, A_PLACE), 'A');
}

TEST(KeyTable, DigitsEnterArrowsAndTheRestByPlace) {
  // The top row gives its digit even where the layout prints something else.
  EXPECT_EQ(keymap_virtual_key('&', DIGIT1_PLACE), 49);
  EXPECT_EQ(keymap_virtual_key('0', DIGIT0_PLACE), 48);
  EXPECT_EQ(keymap_virtual_key(NO_CHAR | KP1_PLACE, KP1_PLACE), 97);
  EXPECT_EQ(keymap_virtual_key(NO_CHAR | KP0_PLACE, KP0_PLACE), 96);
  EXPECT_EQ(keymap_virtual_key('\r', ENTER_PLACE), 13);
  EXPECT_EQ(keymap_virtual_key(NO_CHAR | KP_ENTER_PLACE, KP_ENTER_PLACE), 13);
  EXPECT_EQ(keymap_virtual_key(' ', SPACE_PLACE), 32);
  EXPECT_EQ(keymap_virtual_key(NO_CHAR | UP_PLACE, UP_PLACE), 38);
  EXPECT_EQ(keymap_virtual_key(NO_CHAR | DOWN_PLACE, DOWN_PLACE), 40);
  EXPECT_EQ(keymap_virtual_key(NO_CHAR | F10_PLACE, F10_PLACE), 121);
  EXPECT_EQ(keymap_virtual_key(NO_CHAR | RALT_PLACE, RALT_PLACE), 18);
  // A key with no code (a media key) is not recorded at all.
  EXPECT_EQ(keymap_virtual_key(NO_CHAR | 258, 258), 0);
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
  EXPECT_TRUE(after('e', 8, true, false, 'E'));  // and down again: held until its key up
  KeysAfterFrame();
  EXPECT_FALSE(after('e', 8, false, false, 'E'));
  EXPECT_FALSE(after(NO_CHAR | LALT_PLACE, LALT_PLACE, true, true, 18));
  EXPECT_FALSE(after(NO_CHAR | F10_PLACE, F10_PLACE, true, false, 121));
  // A held while Alt is down is Alt+A, a system key.
  EXPECT_FALSE(after('a', A_PLACE, true, true, 'A'));
  // A goes down, then Alt is pressed: A's key up still clears it.
  EXPECT_TRUE(after('a', A_PLACE, true, false, 'A'));
  EXPECT_TRUE(after('a', A_PLACE, false, true, 'A'));
  KeysAfterFrame();
  EXPECT_FALSE(held_keys['A']);
  EXPECT_EQ(KeyMessage(NO_CHAR | LALT_PLACE, LALT_PLACE, false, false).message, WM_KEYUP);
  EXPECT_EQ(KeyMessage(NO_CHAR | 258, 258, true, false).message, WM_NULL);
}

// Any window shape gets the 5:4 picture whole, as large as fits and centred; its aspect
// stays that of the picture, so nothing is stretched. A height of 0 still gives a projection.
TEST_F(GlTest, PictureKeepsItsShapeInAnyWindow) {
  struct {
    int w, h, x, y, vw, vh;
  } sizes[] = {{1900, 1000, 325, 0, 1250, 1000},
               {1000, 1000, 0, 100, 1000, 800},
               {1280, 1024, 0, 0, 1280, 1024},
               {800, 0, 399, 0, 1, 1}};
  for (const auto& s : sizes) {
    WndProc({WM_SIZE, 0, s.w, s.h});
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], s.x) << s.w << " x " << s.h;
    EXPECT_EQ(viewport[1], s.y) << s.w << " x " << s.h;
    EXPECT_EQ(viewport[2], s.vw) << s.w << " x " << s.h;
    EXPECT_EQ(viewport[3], s.vh) << s.w << " x " << s.h;
    // 45 degrees, aspect of the viewport: the x scale is the y scale over it.
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[5], 2.41421f, 1e-4f);
    EXPECT_NEAR(p[0] * s.vw / s.vh, p[5], 1e-3f);
  }
  WndProc({WM_SIZE, 0, gl_width(), gl_height()});
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
