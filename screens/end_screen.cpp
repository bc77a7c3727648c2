// The end screen: the winner's avatar tilted toward the viewer and the
// high command's congratulation.
#include <GL/gl.h>

#include <cstdio>

#include "bot/bot.h"
#include "flow/match_stats.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"
#include "state/lybrary3.h"

namespace {

bool play_again_offered = true;

void print_number(float x, float y, int value, const char* unit = "") {
  char text[32];
  std::snprintf(text, sizeof text, "%d%s", value, unit);
  glPrint(x, y, 0, text);
}

// Columns of the figures' table, in the text space.
constexpr float NAME_X = 40, RATING_X = 240, ARROWS_X = 290, SWORD_X = 370, SHOTS_X = 440,
                ACCURACY_X = 520;

// One side's row: its name (the computer said to be one), rating, hits and shots.
void figures_row(float y, int numb) {
  white();
  char name[64];
  std::snprintf(name, sizeof name, "%s%s", tr(numb == 1 ? "player 1" : "player 2"),
                bot_level(numb) ? tr(" (pocitac)") : "");
  glPrint(NAME_X, y, 0, name);
  print_number(RATING_X, y, player[numb].sumary);
  print_number(ARROWS_X, y, match_stats.arrow_hits[numb]);
  print_number(SWORD_X, y, match_stats.sword_hits[numb]);
  print_number(SHOTS_X, y, match_stats.shots[numb]);
  print_number(ACCURACY_X, y, match_accuracy(numb), " %");
}

}  // namespace

// How the match went, between the winner's avatar and the way back (the waving flag fills
// the middle): a small table of both sides, the match's length, and under the way back the
// key that plays the same match again.
static void match_figures() {
  yellow();
  glPrint(RATING_X, 312, 0, tr("H"));
  glPrint(ARROWS_X, 312, 0, tr("sipy"));
  glPrint(SWORD_X, 312, 0, tr("mec"));
  glPrint(SHOTS_X, 312, 0, tr("strely"));
  glPrint(ACCURACY_X, 312, 0, tr("presnost"));
  figures_row(332, 1);
  figures_row(352, 2);
  white();
  char length[96];
  std::snprintf(length, sizeof length, tr("Zapas trval %d jednotiek, %d s"), match_units(),
                match_seconds());
  glPrint(NAME_X, 374, 0, length);
  if (play_again_offered) {
    yellow();
    glPrint(200, 430, 0, tr("R: hrat znova"));
  }
}

void end_screen_offer_play_again(bool offered) {
  play_again_offered = offered;
}

// Draws the winner's avatar and the end texts.
void End_draw() {
  // The last winner drawn; a tie (which play never reaches) keeps it.
  static int win = 0;

  glLoadIdentity();
  glTranslatef(-2.0f, -4.0f, -10.0f);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);

  // Facing down, the front image is on the low edge; the tilt shows it.
  if (player[1].sumary > player[2].sumary) {
    glRotatef(-60.0f, 1.0f, 0.0f, 0.0f);
    Player_Draw(1, 3, 1, player[1].color, 180);
    win = 1;
  } else if (player[1].sumary < player[2].sumary) {
    glRotatef(-60.0f, 1.0f, 0.0f, 0.0f);
    Player_Draw(1, 3, 1, player[2].color, 180);
    win = 2;
  }
  End_Text(win);
}

// Draws the congratulation to the winner and the way back.
void End_Text(int win) {
  text_layer_begin();
  cyan();
  if (win == 1)
    glPrint(200, 20, 0, tr("Velitelstvo ti gratuluje player 1"));
  else
    glPrint(200, 20, 0, tr("Velitelstvo ti gratuluje player 2"));
  red();
  glPrint(200, 400, 0, tr("Stlac medzernik"));
  match_figures();
  text_layer_end();
}

// The flag behind the winner's lines.
void end_screen_draw() {
  Vlajka_D(0, 0, 0.0f, 0.0f, 0.0f, 0.0f);
  End_draw();
}
