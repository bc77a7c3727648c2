// The status panel along the bottom of the field during play: avatars,
// bows in hand, arrows left, ratings and the match time.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"
#include "state/lybrary3.h"
#include "world/world.h"

// One textured panel icon at z = 1, image upright.
static void panel_quad(float x0, float y0, float x1, float y1) {
  glBegin(GL_QUADS);
  textured_rect(x0, y0, x1, y1, 1);
  glEnd();
}

// One player's avatar, bow and arrow icons; the column starts at x.
static void panel_player(int numb, float x) {
  Texture_NCP_(player[numb].color);
  panel_quad(x, 1, x + 1, 2);
  Texture_set(player[numb].wepon.id);
  panel_quad(x + 1, 1, x + 2, 2);

  // Icons sit side by side whatever order the arrows are in.
  Texture_n_hore(0);
  float ax = x;
  for (int k = 0; k < HAND_ARROWS; k++) {
    if (!player[numb].wepon.naboj[k].have) continue;
    panel_quad(ax, 0, ax + 0.2f, 0.4f);
    ax += 0.3f;
  }
}

// The panel's place: its frame is the field's moved down by 3, and its black
// backdrop spans these corners at height 1.
static const float PANEL_SHIFT[3] = {-10.0f, -7.0f, -20.0f};
static const float BACKDROP_X0 = -5, BACKDROP_Y0 = -3, BACKDROP_X1 = 25, BACKDROP_Y1 = 3;
static const float BACKDROP_Z = 1;

int panel_covered_rows() {
  float p[16];
  int vp[4];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  glGetIntegerv(GL_VIEWPORT, vp);
  // Window x of an eye-space point, and window y measured from the viewport's foot.
  const float ez = PANEL_SHIFT[2] + BACKDROP_Z;
  auto window_x = [&](float ex) {
    const float cx = p[0] * ex + p[8] * ez + p[12], cw = p[3] * ex + p[11] * ez + p[15];
    return (cx / cw + 1) / 2 * vp[2];
  };
  auto window_y = [&](float ey) {
    const float cy = p[5] * ey + p[9] * ez + p[13], cw = p[7] * ey + p[11] * ez + p[15];
    return (cy / cw + 1) / 2 * vp[3];
  };
  const float left = window_x(PANEL_SHIFT[0] + BACKDROP_X0);
  const float right = window_x(PANEL_SHIFT[0] + BACKDROP_X1);
  const float foot = window_y(PANEL_SHIFT[1] + BACKDROP_Y0);
  const float top = window_y(PANEL_SHIFT[1] + BACKDROP_Y1);
  if (left > 0 || right < vp[2] || foot > 0 || !(top > 0)) return 0;
  // Keep a row of margin: a row whose centres sit near the edge is the edge's to decide.
  const float rows = std::floor(std::min(top, float(vp[3]))) - 1;
  return rows > 0 ? int(rows) : 0;
}

static int backdrop_skipped_rows;

void panel_backdrop_above(int rows) {
  backdrop_skipped_rows = rows;
}

// Draws the panel's pictures, then its text.
void Info_Menu() {
  glLoadIdentity();
  glTranslatef(PANEL_SHIFT[0], PANEL_SHIFT[1], PANEL_SHIFT[2]);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);

  // Black modulates whatever texture is bound to black, so the texture is
  // not fetched at all for the backdrop: a quarter of the window saved.
  black();
  clip_bottom_rows(backdrop_skipped_rows);
  backdrop_skipped_rows = 0;
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glVertex3f(BACKDROP_X0, BACKDROP_Y0, BACKDROP_Z);
  glVertex3f(BACKDROP_X1, BACKDROP_Y0, BACKDROP_Z);
  glVertex3f(BACKDROP_X1, BACKDROP_Y1, BACKDROP_Z);
  glVertex3f(BACKDROP_X0, BACKDROP_Y1, BACKDROP_Z);
  glEnd();
  glEnable(GL_TEXTURE_2D);
  clip_bottom_rows(0);

  white();
  panel_player(1, 1.4f);

  // The frame round "Time" takes its tint from the arrow icon image.
  green();
  QUADS_RAM(7.3f, 1.4f, 2.5f, 1.0f, 1.0f);

  white();
  panel_player(2, 12.2f);

  Info_Text();
}

// Rating in green, or red once a player has been hit more than he hit.
static void rating(float x, int sumary) {
  if (sumary < 0)
    red();
  else
    green();
  Text_draw(x, 400, 0, sumary);
}

// After the clock, where the match ends; past it with the ratings level, that the next hit
// decides the match (which ends only when the ratings differ), on the panel's last row,
// under the arrows held.
static void match_end_text(int shown) {
  char text[32];
  int digits = std::snprintf(text, sizeof text, "%d", shown);
  std::snprintf(text, sizeof text, " / %d", T_end / 10);
  glPrint(262 + 10 * digits, 410, 0, text);
  if (timer.time > T_end && player[1].sumary == player[2].sumary) {
    const char* overtime = tr("Predlzenie: rozhodne dalsi zasah");
    red();
    glPrint(320 - 5 * static_cast<float>(std::strlen(overtime)), 458, 0, overtime);
  }
}

// The arena in play, at the panel's right side under player 2's rating, clear of his arrows
// and of the overtime line; a long name (a player's own) is cut to fit.
static void arena_name_text() {
  constexpr std::size_t FITS = 18;
  const MapText& map = map_last_read();
  std::string name = map.name.empty() ? std::string(tr("Arena")) + " " + std::to_string(map.sector)
                                      : std::string(tr(map.name.c_str()));
  if (name.size() > FITS) name = name.substr(0, FITS - 2) + "..";
  lila();
  glPrint(630 - 10 * static_cast<float>(name.size()), 436, 0, name.c_str());
}

// Draws the panel's labels, both ratings and the time left to show.
void Info_Text() {
  text_layer_begin();

  glPrint(30, 370, 0, tr("player 1"));
  cyan();
  glPrint(122, 400, 0, tr("H:"));
  rating(162, player[1].sumary);

  green();
  glPrint(252, 380, 0, tr("Time"));
  yellow();
  Text_draw(262, 410, 0, (int)(timer.time / 10));
  match_end_text((int)(timer.time / 10));

  white();
  glPrint(385, 370, 0, tr("player 2"));
  cyan();
  glPrint(477, 400, 0, tr("H:"));
  rating(517, player[2].sumary);
  arena_name_text();

  text_layer_end();
}
