// What the three text-only screens (description, credits, speed) share: "Esc" in the
// corner as the way back.
#include <GL/gl.h>

#include "render/render.h"
#include "screens/screens.h"

void text_screen_begin() {
  text_layer_begin();
  red();
  glPrint(10, 10, 0, "Esc");
}
