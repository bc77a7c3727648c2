// What the screens say about the match beyond the described texts: the overtime line on the
// panel, and the end screen's key that plays the same match again.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <string>

#include "bot/bot.h"
#include "flow/game.h"
#include "flow/screen.h"
#include "game/draw_scene.h"
#include "game/input.h"
#include "screens/screens.h"
#include "state/bindings.h"
#include "state/game_random.h"
#include "state/language.h"
#include "state/lybrary3.h"
#include "tests/gl/gl_fixture.h"
#include "tools/screen_states/screen_states.h"

namespace {

using MatchTexts = GlTest;

// KORVALEN_SHOTS=DIR keeps the picture drawn now as DIR/NAME.png (docs/screenshots/).
void keep_shot(const char* name) {
  const char* dir = std::getenv("KORVALEN_SHOTS");
  if (!dir) return;
  DrawGLScene();
  GlFrame f = gl_read_frame();
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = f.width;
  image.height = f.height;
  image.format = PNG_FORMAT_RGB;
  std::string path = std::string(dir) + "/" + name + ".png";
  EXPECT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, f.rgb.data(), -3 * f.width, nullptr))
      << path;
}

// Red pixels of the overtime line's row in the panel (text rows 462 to 478).
int overtime_pixels() {
  DrawGLScene();
  GlFrame f = gl_read_frame();
  int red = 0;
  for (int y = 462 * f.height / 480; y < 478 * f.height / 480; y++)
    for (int x = 170 * f.width / 640; x < 380 * f.width / 640; x++) {
      Rgb p = f.at(x, y);
      red += p.r > 150 && p.g < 80 && p.b < 80;
    }
  return red;
}

// Past the end with the ratings level the panel says the next hit decides; not before the
// end, and not once the ratings differ (the match then ends at once).
TEST_F(MatchTexts, OvertimeIsSaidOnlyPastTheEndWithLevelRatings) {
  fixed_screen_set(FixedScreen::play);
  player[1].sumary = player[2].sumary = 1;
  timer.time = 5120;
  EXPECT_GT(overtime_pixels(), 200);
  keep_shot("overtime");
  timer.time = 4990;
  EXPECT_EQ(overtime_pixels(), 0);
  timer.time = 5120;
  player[2].sumary = 0;
  EXPECT_EQ(overtime_pixels(), 0);
}

// Yellow samples of the "1" or "2" in a square of the field at height 1 (the archers' tops).
int yellow_in_field(const GlFrame& f, float x0, float y0, float size) {
  int n = 0;
  for (int i = 0; i < 20; i++)
    for (int j = 0; j < 20; j++) {
      Rgb p = f.at_eye(x0 + size * i / 20 - 10, y0 + size * j / 20 - 4, -19);
      n += p.r > 150 && p.g > 150 && p.b < 80;
    }
  return n;
}

// Each archer's number stands over his square, or, at the field's top right where player 2
// starts, to the left of it: inside the picture either way.
TEST_F(MatchTexts, ArcherNumbersStayInThePicture) {
  fixed_screen_set(FixedScreen::play);
  player[1].x = 5, player[1].y = 3;
  player[2].x = 19.5f, player[2].y = 10.5f;
  DrawGLScene();
  GlFrame f = gl_read_frame();
  EXPECT_GT(yellow_in_field(f, 5.2f, 4.05f, 0.6f), 10) << "over player 1";
  EXPECT_GT(yellow_in_field(f, 18.85f, 10.7f, 0.6f), 10) << "left of player 2";
  EXPECT_EQ(yellow_in_field(f, 19.7f, 9.85f, 0.6f), 0) << "not below him, at the edge";
}

// Cyan samples (the "you" beside one's own number) in a square of the field at height 1.
int cyan_in_field(const GlFrame& f, float x0, float y0, float size) {
  int n = 0;
  for (int i = 0; i < 20; i++)
    for (int j = 0; j < 20; j++) {
      Rgb p = f.at_eye(x0 + size * i / 20 - 10, y0 + size * j / 20 - 4, -19);
      n += p.r < 80 && p.g > 150 && p.b > 150;
    }
  return n;
}

// Online, "you" goes beside one's own archer's number only: right of it, or left of it at
// the field's right edge; local play marks nobody.
TEST_F(MatchTexts, OnlineOnesOwnArcherIsMarked) {
  fixed_screen_set(FixedScreen::play);
  player[1].x = 5, player[1].y = 3;
  player[2].x = 19.5f, player[2].y = 10.5f;
  auto marks = [](float x, float y) {
    DrawGLScene();
    return cyan_in_field(gl_read_frame(), x, y, 1.0f);
  };
  play_mark_own_archer(1);
  EXPECT_GT(marks(5.8f, 3.9f), 10) << "right of player 1's number";
  EXPECT_EQ(marks(17.8f, 10.5f), 0) << "nothing by player 2";
  keep_shot("online_own_archer");
  play_mark_own_archer(2);
  EXPECT_EQ(marks(5.8f, 3.9f), 0);
  EXPECT_GT(marks(17.8f, 10.5f), 10) << "left of player 2's number, inside the picture";
  play_mark_own_archer(0);
  EXPECT_EQ(marks(5.8f, 3.9f) + marks(17.8f, 10.5f), 0);
}

// R on the end screen: the same avatars (player 2's too when a person plays him), a match
// in play, the computer still at its level.
TEST_F(MatchTexts, PlayAgainStartsTheSameMatch) {
  for (int computer : {0, 2}) {
    fixed_screen_set(FixedScreen::end);
    timer.time = timer.hranica = 0;  // as the end of a match leaves them
    bot_play(2, computer);
    player[1].color = 3;
    player[2].color = 6;
    ASSERT_EQ(screen_up(), SCREEN_END);
    bool held[KEY_CODES] = {};
    held[int{'R'}] = true;
    const bool none[KEY_CODES] = {};
    // R stays held all along: it plays again once. The main menu may show the avatars saved
    // in the settings (the game sets them as it opens): the feed still brings back these.
    for (int i = 0; i < 40; i++) {
      bool menu = screen_up() == SCREEN_MAIN_MENU;
      local_step(held, nullptr);
      if (!menu && screen_up() == SCREEN_MAIN_MENU) player[1].color = 5, player[2].color = 2;
    }
    for (int i = 0; i < 3; i++) local_step(none, nullptr);
    EXPECT_EQ(screen_up(), SCREEN_PLAY) << "computer " << computer;
    EXPECT_TRUE(move);
    EXPECT_EQ(player[1].color, 3);
    // the computer's player keeps the colour screen's default: its keys are its own
    EXPECT_EQ(player[2].color, computer ? 2 : 6);
    EXPECT_EQ(bot_level(2), computer);
    EXPECT_EQ(player[1].kill + player[2].kill, 0);
  }
  bot_play(2, 0);
}

// Two matches started the same way from the same state, the bows' generator as a fresh
// game has it, drop different bows, or the same at other times: the game gives each match
// a seed of its own from the clock.
TEST_F(MatchTexts, TwoMatchesStartedAlikeDropDifferentBows) {
  std::string drops[2];
  for (std::string& seen : drops) {
    fixed_screen_set(FixedScreen::colour);
    for (Sg_wepon& g : g_wepon) g.ly = false;
    game_random_reset();
    set_speed_level(3);
    bool space[KEY_CODES] = {};
    space[VK_SPACE] = true;
    const bool none[KEY_CODES] = {};
    local_step(space, nullptr);
    ASSERT_TRUE(move);
    // the players stand still at their starting places; ten drops, 200 units apart
    for (int step = 0; step < 4010; step++) {
      local_step(none, nullptr);
      for (int i = 2; i < GROUND_BOWS; i++)
        if (g_wepon[i].ly && seen.find("#" + std::to_string(i) + " ") == std::string::npos)
          seen += "#" + std::to_string(i) + " " + std::to_string(g_wepon[i].id) + " " +
                  std::to_string(int(g_wepon[i].x)) + "," + std::to_string(int(g_wepon[i].y)) +
                  " at " + std::to_string(int(timer.time)) + "; ";
    }
  }
  EXPECT_NE(drops[0], drops[1]);
  set_speed_level(1);
}

// Pixels of a band of the text space that differ between two pictures.
int differing(const GlFrame& a, const GlFrame& b, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0 * a.height / 480; y < y1 * a.height / 480; y++)
    for (int x = x0 * a.width / 640; x < x1 * a.width / 640; x++) {
      Rgb p = a.at(x, y), q = b.at(x, y);
      n += p.r != q.r || p.g != q.g || p.b != q.b;
    }
  return n;
}

// In English the end screen's column heads and names change, its figures stay where they
// were: the table's numbers (from the rating's column on, text rows 336 to 372) are the same
// pixels, the heads (316 to 332) are not, and the winner's line above stays as described.
TEST_F(MatchTexts, EndScreenFiguresInBothLanguages) {
  fixed_screen_set(FixedScreen::end);
  keep_shot("end_screen");
  DrawGLScene();
  GlFrame slovak = gl_read_frame();
  language_start("en");
  ASSERT_STREQ(tr("sipy"), "arrows");
  keep_shot("end_screen_en");
  DrawGLScene();
  GlFrame english = gl_read_frame();
  fixed_screen_set(FixedScreen::play);
  player[1].sumary = player[2].sumary = 1;
  timer.time = 5120;
  keep_shot("overtime_en");
  language_start("sk");
  EXPECT_EQ(differing(slovak, english, 240, 336, 640, 372), 0);
  EXPECT_GT(differing(slovak, english, 240, 316, 640, 332), 100);
  EXPECT_GT(differing(slovak, english, 200, 24, 640, 40), 100) << "the congratulation";
}

}  // namespace
