// What the pixel check's screens do not show: gaps in the arrows held.
#include "game/draw_scene.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"

namespace {

using Screens = GlTest;

// Player 1 holds arrows 0, 2 and 3 of five: three icons side by side, then none.
TEST_F(Screens, StatusPanelShowsArrowsWithoutGaps) {
  const Rgb icon = {250, 120, 10};
  SlotColours slots({{48, icon}});
  move = true;
  Build_Max = 0;
  for (auto& w : g_wepon) w.ly = false;
  player[1].x = player[1].y = 0;
  player[2].x = 19.5f, player[2].y = 10.5f;
  for (int k = 0; k < 5; k++) player[1].wepon.naboj[k].have = k != 1 && k != 4;
  DrawGLScene();
  GlFrame f = gl_read_frame();
  for (int k = 0; k < 4; k++) {
    // Player 1's row starts at 1.4: icon k, then the gap after it.
    Rgb p = f.at_eye(1.4f + 0.3f * k + 0.1f - 10, 0.2f - 7, -19);
    EXPECT_NEAR(p.r + p.g + p.b, k < 3 ? icon.r + icon.g + icon.b : 0, 8) << "icon " << k;
    Rgb gap = f.at_eye(1.4f + 0.3f * k + 0.25f - 10, 0.2f - 7, -19);
    EXPECT_EQ(gap.r + gap.g + gap.b, 0) << "after icon " << k;
  }
}

}  // namespace
