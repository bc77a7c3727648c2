// The match: the field and the status panel under it.
#include <GL/gl.h>

#include <cmath>

#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/lybrary3.h"

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
    if (p.x > 18.5f)
      x = p.x - SIZE - GAP, y = p.y + (1 - SIZE) / 2;
    else if (p.y > 9.5f)
      y = p.y - SIZE - GAP;
    glyph_in_field(static_cast<char>('0' + numb), x, y, 1.0f, SIZE);
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
