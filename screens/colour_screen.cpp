// The colour and controls screen before a match: both avatars with their
// colour keys, and the key legend of both players.
#include <GL/gl.h>

#include <cctype>
#include <string>

#include "bot/bot.h"
#include "flow/arena_list.h"
#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/bindings.h"
#include "state/game_keys.h"
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

// One player's key legend from the binding table: the keys in lower case at kx ("e - "),
// their meanings at tx.
static void legend(int numb, float kx, float tx) {
  static const char* const meaning[ACTIONS] = {"hore",   "dole",        "vlavo",
                                               "vpravo", "pouzi zbran", "zmen zbran"};
  float y = 200;
  green();
  for (int a = 0; a < ACTIONS; a++, y = line(y)) {
    std::string shown = key_name(binding(numb, Action(a)));
    for (char& c : shown) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    glPrint(kx, y, 0, (shown + " - ").c_str());
  }
  y = 200;
  white();
  for (int a = 0; a < ACTIONS; a++, y = line(y)) glPrint(tx, y, 0, tr(meaning[a]));
}

// One player's half: his colour keys (left, right) under his avatar, "Ovladanie" and his
// key legend.
static void player_half(int numb, float x, float right_x, float tx) {
  if (bot_level(numb)) {  // the computer's colour and keys are nobody's to press
    red();
    glPrint(x, 170, 0, tr("pocitac"));
    return;
  }
  white();
  glPrint(x, 90, 0, key_name(binding(numb, ACTION_LEFT)));
  glPrint(right_x, 90, 0, key_name(binding(numb, ACTION_RIGHT)));
  red();
  glPrint(x, 170, 0, tr("Ovladanie"));
  legend(numb, x, tx);
}

// The arena the match will be played on (online the host's), and the key that opens the list to
// choose another.
static void arena_line() {
  const std::string key = std::string(key_name(game_keys[GAME_KEY_ARENAS].code)) + " - ";
  const std::string label = std::string(tr("Arena")) + ": ";
  green();
  glPrint(20, 440, 0, key.c_str());
  white();
  glPrint(20 + 10 * key.size(), 440, 0, label.c_str());
  cyan();
  glPrint(20 + 10 * (key.size() + label.size()), 440, 0, arena_played_name().c_str());
}

// Draws the screen's title, the colour keys, both legends and the prompt.
void New_Nastavenia_Text() {
  text_screen_begin();
  yellow();
  glPrint(200, 10, 0, tr("Zvol si farbu"));
  player_half(1, 20, 130, 60);
  player_half(2, 360, 460, 400);
  white();
  glPrint(200, 400, 0, tr("Stlac medzernik pre start"));
  arena_line();

  text_layer_end();
}

void colour_screen_draw() {
  New_Nastavenia_Draw();
}
