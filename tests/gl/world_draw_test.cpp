// The field, the players and the arrows, checked where the projection puts them.
#include <GL/gl.h>

#include "render/k321.h"
#include "render/render.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"

namespace {

// Avatar colour 2's five images and the arrow images, each its own colour.
const Rgb FRONT = {250, 20, 20}, LEFT = {20, 250, 20}, RIGHT = {20, 20, 250}, BACK = {250, 250, 20},
          TOP = {20, 250, 250};
const Rgb HEAD = {250, 130, 20}, TAIL = {130, 20, 250}, FLY_LEFT = {20, 130, 250},
          FLY_UP = {130, 250, 20};

using World = GlTest;

// The colour at a point of the field, drawn moved by (-10, -4, -20), is want.
::testing::AssertionResult Shows(const GlFrame& f, float x, float y, float z, Rgb want) {
  Rgb p = f.at_eye(x - 10, y - 4, z - 20);
  if (std::abs(p.r - want.r) <= 8 && std::abs(p.g - want.g) <= 8 && std::abs(p.b - want.b) <= 8)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << x << ", " << y << ", " << z << ") shows (" << p.r
                                       << ", " << p.g << ", " << p.b << ")";
}

// A player or an arrow close to the eye (z 14), so its sides are large: a point of each side
// and flight's top, and the image it wears. More facings are on the pixel check's pictures.
TEST_F(World, PlayersAndArrowsWearTheirImagesByFacing) {
  SlotColours slots({{15, FRONT},
                     {16, LEFT},
                     {17, RIGHT},
                     {18, BACK},
                     {40, TOP},
                     {49, HEAD},
                     {50, TAIL},
                     {46, FLY_LEFT},
                     {48, FLY_UP}});
  struct Case {
    bool arrow;
    float x, y;
    int alpha;
    float sx, sy, sz;
    Rgb want;
  } cases[] = {
      {false, 8, 3, 0, 9, 3.5f, 14.5f, RIGHT},          // player: east side
      {false, 11, 3, 90, 11, 3.5f, 14.5f, BACK},        // west side
      {false, 9.5f, 2.5f, 0, 10, 3.5f, 14.5f, FRONT},   // north side
      {false, 9.5f, 4.5f, 0, 10, 4.5f, 14.5f, BACK},    // south side
      {false, 8, 3, 45, 9, 3.5f, 14.5f, TOP},           // no facing: top image
      {true, 8, 3, 270, 8.5f, 3.1f, 14.1f, TAIL},       // arrow: east end trails
      {true, 11, 3, 270, 11, 3.1f, 14.1f, HEAD},        // west end leads
      {true, 9.9f, 2, 0, 10, 2.5f, 14.1f, HEAD},        // north end leads
      {true, 9.9f, 5.5f, 0, 10, 5.5f, 14.1f, TAIL},     // south end trails
      {true, 8, 3, 270, 8.25f, 3.1f, 14.2f, FLY_LEFT},  // the top shows the flight
      {true, 9.9f, 2, 0, 10, 2.25f, 14.2f, FLY_UP},     //
  };
  for (const Case& c : cases) {
    gl_clear();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glLoadIdentity();
    glTranslatef(-10, -4, -20);
    white();
    (c.arrow ? Naboj_Draw : Player_Draw)(c.x, c.y, 14, c.arrow ? 0 : 2, c.alpha);
    EXPECT_TRUE(Shows(gl_read_frame(), c.sx, c.sy, c.sz, c.want)) << "case " << &c - cases;
  }
}

// Building record 0 and a bow nobody has dropped are left out: the grass shows there.
TEST_F(World, FieldDrawsNeitherRecordZeroNorABowNotLying) {
  const Rgb grass = {0, 200, 0};  // tinted green
  SlotColours field({{1, {240, 100, 40}}, {36, {40, 200, 40}}, {37, {90, 90, 240}}});
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
}

}  // namespace
