// The match: the field and the status panel under it.
#include <GL/gl.h>

#include <cmath>

#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/lybrary3.h"

// "1" and "2" over the archers, who may wear the same avatar: above each one's square, or
// below it at the top of the field, where above would leave the picture.
static void archer_numbers() {
  constexpr float SIZE = 0.6f;
  glLoadIdentity();
  glTranslatef(-10.0f, -4.0f, -20.0f);
  text_layer_begin();
  yellow();
  for (int numb = 1; numb <= 2; numb++) {
    const Splayer& p = player[numb];
    if (!(std::fabs(p.x) < 1e4f && std::fabs(p.y) < 1e4f)) continue;
    float y = p.y > 9.5f ? p.y - SIZE - 0.05f : p.y + 1.05f;
    glyph_in_field(static_cast<char>('0' + numb), p.x + 0.5f - SIZE / 2, y, 1.0f, SIZE);
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

void play_draw() {
  // Only the very first frame still holds the start request here.
  if (start) {
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, 0.0f);
    glPrint(250, 10, 0, "Start");
  }
  if (move) match_draw();
}
