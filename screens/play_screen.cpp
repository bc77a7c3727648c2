// The match: the field and the status panel under it.
#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"
#include "state/lybrary3.h"

static int own_archer;  // online: the archer this machine plays; 0 in local play

void play_mark_own_archer(int numb) {
  own_archer = numb;
}

// Online, "you" beside one's own archer's number: after it, or before it where the number
// stands beside the archer (or the word would leave the field).
static void own_archer_word(float x, float y, float number_size, bool before) {
  constexpr float SIZE = 0.45f, ADVANCE = 0.3f, FIELD_END = 20.5f;
  const char* word = tr("ty");
  const float width = ADVANCE * static_cast<float>(std::strlen(word)) + SIZE - ADVANCE;
  float at = x + number_size;
  if (before || at + width > FIELD_END) at = x - width;
  cyan();
  for (int i = 0; word[i]; i++)
    glyph_in_field(word[i], at + ADVANCE * i, y + (number_size - SIZE) / 2, 1.0f, SIZE);
  yellow();
}

// "1" and "2" over the archers, who may wear the same avatar: above each one's square; at
// the field's top below it, and at its right edge (player 2's starting place) to its left,
// where above or beside would leave the picture.
static void archer_numbers() {
  constexpr float SIZE = 0.6f, GAP = 0.05f;
  glLoadIdentity();
  glTranslatef(-10.0f, -4.0f, -20.0f);
  text_layer_begin();
  yellow();
  for (int numb = 1; numb <= 2; numb++) {
    const Splayer& p = player[numb];
    if (!(std::fabs(p.x) < 1e4f && std::fabs(p.y) < 1e4f)) continue;
    float x = p.x + 0.5f - SIZE / 2, y = p.y + 1 + GAP;
    const bool beside = p.x > 18.5f;
    if (beside)
      x = p.x - SIZE - GAP, y = p.y + (1 - SIZE) / 2;
    else if (p.y > 9.5f)
      y = p.y - SIZE - GAP;
    glyph_in_field(static_cast<char>('0' + numb), x, y, 1.0f, SIZE);
    if (numb == own_archer) own_archer_word(x, y, SIZE, beside);
  }
  text_layer_end();
}

void match_draw() {
  // The panel's backdrop would paint its rows black over the field: the field leaves them
  // as the clear left them, black, and the backdrop paints only the edge rows it covers in
  // part.
  const int panel_rows = panel_covered_rows();
  field_hidden_below(panel_rows);
  S_D();
  archer_numbers();
  panel_backdrop_above(panel_rows);
  Info_Menu();
}

void play_screen_draw() {
  // Only the very first frame still holds the start request here.
  if (start) {
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, 0.0f);
    glPrint(250, 10, 0, "Start");
  }
  if (move) match_draw();
}
