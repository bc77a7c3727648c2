// The menus and screens as the window shows them: text colours, the panel's
// icons; the end screen is in the pixel check.
#include "screens/screens.h"

#include <GL/gl.h>

#include "flow/game.h"
#include "state/lybrary3.h"
#include "flow/flag_grid.h"
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

}  // namespace
