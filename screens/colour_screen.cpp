// The colour and controls screen before a match: both avatars with their
// colour keys, and the key legend of both players.
#include <GL/gl.h>

#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"
#include "state/lybrary3.h"

// One avatar's front image at z = 1, one unit square from x.
static void avatar_quad(float x) {
  glBegin(GL_QUADS);
  textured_rect(x, -0.4f, x + 1, 0.6f, 1);
  glEnd();
}

// Draws both avatars with the little boxes beside them, then the texts.
void New_Nastavenia_Draw() {
  glLoadIdentity();
  glTranslatef(-5.0f, 2.0f, -10.0f);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  white();

  // The boxes have no texture coordinates of their own, so they take the
  // tint of the avatar image just drawn.
  Texture_NCP_(player[1].color);
  avatar_quad(1);
  QUADS_RAM(0.2f, 0.1f, 0.3f, 0.5f);
  QUADS_RAM(1.9f, 0.1f, 0.3f, 0.5f);

  Texture_NCP_(player[2].color);
  avatar_quad(6);
  QUADS_RAM(5.7f, 0.1f, 0.3f, 0.5f);
  QUADS_RAM(7.3f, 0.1f, 0.3f, 0.5f);

  New_Nastavenia_Text();
}

// One player's key legend: key labels at kx, their meanings at tx.
static void legend(float kx, float tx, const char* const keys_shown[6]) {
  static const char* const meaning[6] = {"hore",   "dole",        "vlavo",
                                         "vpravo", "pouzi zbran", "zmen zbran"};
  float y = 200;
  green();
  for (int i = 0; i < 6; i++, y = line(y)) glPrint(kx, y, 0, keys_shown[i]);
  y = 200;
  white();
  for (int i = 0; i < 6; i++, y = line(y)) glPrint(tx, y, 0, tr(meaning[i]));
}

// One player's half: the colour keys under his avatar, "Ovladanie" and his key legend.
static void player_half(float x, const char* left_key, float right_x, const char* right_key,
                        float tx, const char* const keys_shown[6]) {
  white();
  glPrint(x, 90, 0, left_key);
  glPrint(right_x, 90, 0, right_key);
  red();
  glPrint(x, 170, 0, tr("Ovladanie"));
  legend(x, tx, keys_shown);
}

// Draws the screen's title, the colour keys, both legends and the prompt.
void New_Nastavenia_Text() {
  static const char* const keys1[6] = {"e - ", "d - ", "s - ", "f - ", "a - ", "q - "};
  static const char* const keys2[6] = {"i - ", "k - ", "j - ", "l - ", "m - ", "n - "};

  text_screen_begin();
  yellow();
  glPrint(200, 10, 0, tr("Zvol si farbu"));
  player_half(20, "S", 130, "F", 60, keys1);
  player_half(360, "J", 460, "L", 400, keys2);
  white();
  glPrint(200, 400, 0, tr("Stlac medzernik pre start"));

  text_layer_end();
}
