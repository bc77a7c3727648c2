// The status panel along the bottom of the field during play: avatars,
// bows in hand, arrows left, ratings and the match time.
#include <GL/gl.h>

#include "core/lybrary3.h"
#include "render/render.h"
#include "screens/screens.h"
#include "world/k321.h"

// One textured panel icon at z = 1, image upright.
static void panel_quad(float x0, float y0, float x1, float y1) {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(x0, y0, 1);
  glTexCoord2f(1, 0);
  glVertex3f(x1, y0, 1);
  glTexCoord2f(1, 1);
  glVertex3f(x1, y1, 1);
  glTexCoord2f(0, 1);
  glVertex3f(x0, y1, 1);
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

// Draws the panel's pictures, then its text.
void Info_Menu() {
  glLoadIdentity();
  glTranslatef(-10.0f, -7.0f, -20.0f);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);

  // Black modulates whatever texture is bound to black.
  black();
  glBegin(GL_QUADS);
  glVertex3f(-5, -3, 1);
  glVertex3f(25, -3, 1);
  glVertex3f(25, 3, 1);
  glVertex3f(-5, 3, 1);
  glEnd();

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

// Draws the panel's labels, both ratings and the time left to show.
void Info_Text() {
  text_layer_begin();

  glPrint(30, 370, 0, "player 1");
  cyan();
  glPrint(122, 400, 0, "H:");
  rating(162, player[1].sumary);

  green();
  glPrint(252, 380, 0, "Time");
  yellow();
  Text_draw(262, 410, 0, (int)(timer.time / 10));

  white();
  glPrint(385, 370, 0, "player 2");
  cyan();
  glPrint(477, 400, 0, "H:");
  rating(517, player[2].sumary);

  text_layer_end();
}
