// The field, the players, the arrows and the flag, checked where the projection
// puts them.
#include <GL/gl.h>

#include "flow/flag_grid.h"
#include "render/k321.h"
#include "render/render.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"

namespace {

// Avatar colour 2's five images and the arrow images, each its own colour.
const Rgb FRONT = {250, 20, 20}, LEFT = {20, 250, 20}, RIGHT = {20, 20, 250}, BACK = {250, 250, 20},
          TOP = {20, 250, 250};
const Rgb HEAD = {250, 130, 20}, TAIL = {130, 20, 250}, FLY_RIGHT = {250, 20, 130},
          FLY_LEFT = {20, 130, 250}, FLY_UP = {130, 250, 20}, FLY_DOWN = {200, 200, 200};

class World : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    slots = new SlotColours({{15, FRONT},
                             {16, LEFT},
                             {17, RIGHT},
                             {18, BACK},
                             {40, TOP},
                             {49, HEAD},
                             {50, TAIL},
                             {45, FLY_RIGHT},
                             {46, FLY_LEFT},
                             {48, FLY_UP},
                             {47, FLY_DOWN}});
  }
  void TearDown() override { delete slots; }

  // The field's frame with nothing on it yet.
  static void field_frame() {
    gl_clear();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glLoadIdentity();
    glTranslatef(-10, -4, -20);
    white();
  }

  SlotColours* slots = nullptr;
};

// The colour at a point of the field, drawn moved by (-10, -4, -20), is want.
::testing::AssertionResult Shows(const GlFrame& f, float x, float y, float z, Rgb want) {
  int px, py;
  eye_to_window(x - 10, y - 4, z - 20, &px, &py);
  Rgb p = f.at(px, py);
  if (std::abs(p.r - want.r) <= 8 && std::abs(p.g - want.g) <= 8 && std::abs(p.b - want.b) <= 8)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << x << ", " << y << ", " << z << ") shows (" << p.r
                                       << ", " << p.g << ", " << p.b << ")";
}

// Players are drawn close to the eye (z 14) so their sides are large on screen;
// each case names a side the eye can see and the image it must wear.
TEST_F(World, PlayerWearsHisFrontOnTheSideHeFaces) {
  struct Case {
    float x, y;
    int alpha;
    float sx, sy;  // middle of the visible side, at height 14.5
    Rgb want;
  } cases[] = {
      {8, 3, 0, 9, 3.5f, RIGHT},          {8, 3, 90, 9, 3.5f, FRONT},         // east side
      {8, 3, 180, 9, 3.5f, LEFT},         {8, 3, 270, 9, 3.5f, BACK},         //
      {11, 3, 270, 11, 3.5f, FRONT},      {11, 3, 90, 11, 3.5f, BACK},        // west side
      {9.5f, 2.5f, 0, 10, 3.5f, FRONT},   {9.5f, 2.5f, 180, 10, 3.5f, BACK},  // north side
      {9.5f, 4.5f, 180, 10, 4.5f, FRONT}, {9.5f, 4.5f, 0, 10, 4.5f, BACK},    // south side
      {8, 3, 45, 9, 3.5f, TOP},  // no facing: top image
  };
  for (const Case& c : cases) {
    field_frame();
    Player_Draw(c.x, c.y, 14, 2, c.alpha);
    GlFrame f = gl_read_frame();
    EXPECT_TRUE(Shows(f, c.sx, c.sy, 14.5f, c.want)) << "alpha " << c.alpha << " at " << c.x;
    EXPECT_TRUE(Shows(f, c.x + 0.5f, c.y + 0.5f, 15, TOP));
  }
}

TEST_F(World, ArrowHeadLeadsAndItsTopShowsTheFlight) {
  struct Case {
    float x, y;
    int alpha;
    float sx, sy;  // middle of the visible end or side, at height 14.1
    Rgb want, top;
  } cases[] = {
      {8, 3, 90, 8.5f, 3.1f, HEAD, FLY_RIGHT},      // east end leads
      {8, 3, 270, 8.5f, 3.1f, TAIL, FLY_LEFT},      // east end trails
      {11, 3, 270, 11, 3.1f, HEAD, FLY_LEFT},       // west end leads
      {9.9f, 2, 0, 10, 2.5f, HEAD, FLY_UP},         // north end leads
      {9.9f, 5.5f, 180, 10, 5.5f, HEAD, FLY_DOWN},  // south end leads
      {9.9f, 5.5f, 0, 10, 5.5f, TAIL, FLY_UP},      // south end trails
  };
  for (const Case& c : cases) {
    field_frame();
    Naboj_Draw(c.x, c.y, 14, 0, c.alpha);
    GlFrame f = gl_read_frame();
    EXPECT_TRUE(Shows(f, c.sx, c.sy, 14.1f, c.want)) << "alpha " << c.alpha << " at " << c.x;
    float xl = (c.alpha == 0 || c.alpha == 180) ? 0.2f : 0.5f;
    float yl = 0.7f - xl;
    EXPECT_TRUE(Shows(f, c.x + xl / 2, c.y + yl / 2, 14.2f, c.top)) << "alpha " << c.alpha;
  }
}

// Building record 0 and a bow nobody has dropped are left out: the grass shows there.
TEST_F(World, FieldDrawsNeitherRecordZeroNorABowNotLying) {
  const Rgb grass = {0, 200, 0};  // tinted green
  SlotColours field({{1, {240, 100, 40}}, {36, {40, 200, 40}}, {37, {90, 90, 240}}});
  Sbuild saved = build[0];
  int saved_max = Build_Max;
  build[0] = {0, 5, 1, 0, 1, 1};
  Build_Max = 1;
  for (auto& w : g_wepon) w.ly = false;
  g_wepon[1] = {nullptr, 15, 9, 0, 1, false};
  player[1].x = player[1].y = player[2].x = player[2].y = 100;  // out of sight
  gl_clear();
  S_D();
  GlFrame f = gl_read_frame();
  EXPECT_TRUE(Shows(f, 15.5f, 9.5f, 0, grass));
  EXPECT_TRUE(Shows(f, 5.5f, 1.5f, 0, grass));
  build[0] = saved;
  Build_Max = saved_max;
}

// The flag's wave; where the cloth lies is in the pixel check.
TEST_F(World, FlagWavesOneColumnPer300DrawsAndComesBackAfter45Steps) {
  SlotColours flag({{51, {200, 100, 50}}});
  flag_grid_init();
  wiggle_count = 0;
  auto draw_flag = [] {
    gl_clear();
    glLoadIdentity();
    Vlajka_D(7, -3, 9.5f, 1, 2, 3);
    glFinish();
    return gl_read_frame();
  };
  const std::vector<unsigned char> first = draw_flag().rgb;
  for (int call = 2; call <= 300; call++) draw_flag();
  EXPECT_TRUE(draw_flag().rgb == first);  // call 301 draws, then steps
  EXPECT_FALSE(draw_flag().rgb == first);
  for (int step = 2; step <= 45; step++) {
    wiggle_count = 300;
    draw_flag();
  }
  EXPECT_TRUE(draw_flag().rgb == first);
}

}  // namespace
