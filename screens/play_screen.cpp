// The match: the field and the status panel under it.
#include <GL/gl.h>

#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/lybrary3.h"

void match_draw() {
  // The panel's backdrop would paint its rows black over the field: the field leaves them
  // as the clear left them, black, and the backdrop paints only the edge rows it covers in
  // part.
  const int panel_rows = panel_covered_rows();
  field_hidden_below(panel_rows);
  S_D();
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
