// The menus and screens as the window shows them: text colours, the panel's
// icons and the end screen reached through the real frame.
#include "screens/screens.h"

#include <GL/gl.h>

#include "core/game.h"
#include "core/lybrary3.h"
#include "render/flag_grid.h"
#include "render/render.h"
#include "tests/gl/gl_fixture.h"

namespace {

class Screens : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    reset_screen_flags();
    flag_grid_init();
  }
  void TearDown() override { reset_screen_flags(); }
};

GlFrame draw() {
  gl_draw_scene();
  return gl_read_frame();
}

TEST_F(Screens, CreditsOverTheColourScreenShowAlone) {
  Start_Menu = New_Nastavenia = Info = true;
  GlFrame f = draw();
  EXPECT_TRUE(HasTint(f, 350, 90, 0, 1, 1));
  EXPECT_EQ(f.lit(gl_text_rect(200, 14, 130, 16)), 0);   // "Zvol si farbu"
  EXPECT_EQ(f.lit(gl_text_rect(200, 404, 250, 16)), 0);  // the space prompt
}

// Icon k of a player's arrow row, from its column start.
Rgb arrow_icon(const GlFrame& f, float column, float k_offset) {
  int px, py;
  eye_to_window(column + k_offset - 10, 0.2f - 7, -19, &px, &py);
  return f.at(px, py);
}

TEST_F(Screens, StatusPanelShowsArrowsWithoutGapsAndRatingsInTheirColours) {
  const Rgb icon = {250, 120, 10};
  SlotColours slots({{48, icon}});
  move = true;
  Build_Max = 0;
  for (auto& w : g_wepon) w.ly = false;
  player[1].x = player[1].y = 0;
  player[2].x = 19.5f, player[2].y = 10.5f;
  player[1].sumary = -3;
  player[2].sumary = 2;
  timer.time = 4999.9f;
  const bool have[5] = {true, false, true, true, false};
  for (int k = 0; k < 5; k++) {
    player[1].wepon.naboj[k].have = have[k];
    player[2].wepon.naboj[k].have = false;
  }
  GlFrame f = draw();

  for (int k = 0; k < 3; k++) {
    Rgb p = arrow_icon(f, 1.4f, 0.3f * k + 0.1f);
    EXPECT_NEAR(p.r, icon.r, 8) << "icon " << k;
    EXPECT_NEAR(p.g, icon.g, 8) << "icon " << k;
    Rgb gap = arrow_icon(f, 1.4f, 0.3f * k + 0.25f);
    EXPECT_EQ(gap.r + gap.g + gap.b, 0) << "after icon " << k;
  }
  Rgb fourth = arrow_icon(f, 1.4f, 0.9f + 0.1f);
  EXPECT_EQ(fourth.r + fourth.g + fourth.b, 0);
  Rgb none = arrow_icon(f, 12.2f, 0.1f);
  EXPECT_EQ(none.r + none.g + none.b, 0);

  EXPECT_TRUE(HasTint(f, 162, 400, 1, 0, 0, 0));  // "-"
  EXPECT_TRUE(HasTint(f, 162, 400, 1, 0, 0, 1));  // "3"
  EXPECT_TRUE(HasTint(f, 517, 400, 0, 1, 0));
  EXPECT_EQ(f.lit(gl_text_rect(262 + 36, 414, 10, 16)), 0);  // 499 has three digits
}

void draw_only() {
  gl_draw_scene();
}

// Plays the last frame of a match through the game's own frame and returns
// what the next frame shows.
GlFrame end_of_match(int kill1, int kill2) {
  reset_screen_flags();
  move = true;
  Build_Max = 0;
  NCP_Max = 0;
  for (auto& w : g_wepon) w.ly = false;
  for (int n = 1; n <= 2; n++) {
    player[n].live = player[n].play = true;
    player[n].show.id = -1;
    player[n].wepon = Splayer::Swepon{};
    for (auto& s : player[n].naboj) s = Splayer::Snaboj{};
  }
  player[1].x = player[1].y = 0;
  player[2].x = 19.5f, player[2].y = 10.5f;
  player[1].kill = kill1, player[1].death = kill2;
  player[2].kill = kill2, player[2].death = kill1;
  timer.time = float(T_end);
  timer.hranica = 1e9f;
  game_frame(draw_only);
  EXPECT_TRUE(End);
  game_frame(draw_only);
  return gl_read_frame();
}

// The congratulation line as it looks printed on its own.
GlFrame printed_alone(const char* text) {
  gl_clear();
  glLoadIdentity();
  glEnable(GL_BLEND);
  cyan();
  glPrint(200, 20, 0, text);
  glFinish();
  return gl_read_frame();
}

// Window pixel of the middle of the winner's front face: the end screen
// turns the cube (1, 3, 1) by -60 degrees about x after moving by (-2, -4, -10).
void front_face_centre(int* px, int* py) {
  const float x = 1.5f, y = 3.0f, z = 1.5f;
  const float c = 0.5f, s = -0.8660254f;
  eye_to_window(x - 2, y * c - z * s - 4, y * s + z * c - 10, px, py);
}

TEST_F(Screens, EndScreenNamesTheWinnerAndShowsHisAvatar) {
  const Rgb front3 = {30, 200, 240}, front5 = {240, 60, 160};
  SlotColours slots({{19, front3}, {27, front5}});
  player[1].color = 3;
  player[2].color = 5;
  const PixelRect line_rect = gl_text_rect(200, 24, 340, 16);
  int px, py;
  front_face_centre(&px, &py);

  GlFrame won1 = end_of_match(3, 0);
  EXPECT_TRUE(HasTint(won1, 200, 20, 0, 1, 1));
  EXPECT_TRUE(HasTint(won1, 200, 400, 1, 0, 0));
  Rgb face = won1.at(px, py);
  EXPECT_NEAR(face.r, front3.r, 8);
  EXPECT_NEAR(face.g, front3.g, 8);
  EXPECT_NEAR(face.b, front3.b, 8);

  GlFrame won2 = end_of_match(0, 2);
  face = won2.at(px, py);
  EXPECT_NEAR(face.r, front5.r, 8);
  EXPECT_NEAR(face.g, front5.g, 8);
  EXPECT_NEAR(face.b, front5.b, 8);

  GlFrame says1 = printed_alone("Velitelstvo ti gratuluje player 1");
  GlFrame says2 = printed_alone("Velitelstvo ti gratuluje player 2");
  EXPECT_TRUE(same_pixels(won1, says1, line_rect));
  EXPECT_FALSE(same_pixels(won1, says2, line_rect));
  EXPECT_TRUE(same_pixels(won2, says2, line_rect));
  flag_grid_set_rows(-6.5);
}

}  // namespace
