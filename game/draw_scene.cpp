// Frame composition: exactly one screen per frame, the one the screen table says is up, or
// the controls screen over it.
#include "game/draw_scene.h"

#include <GL/gl.h>

#include "flow/flag_grid.h"
#include "flow/screen.h"
#include "flow/step_clock.h"
#include "screens/screens.h"

static FlagClock flag_clock;

// Draws one whole frame into the back buffer; the main loop presents it. The flag waves with
// the time it is shown, not with the steps that ran before the picture.
int DrawGLScene() {
  return DrawGLSceneAt(monotonic_now_ns());
}

int DrawGLSceneAt(std::int64_t now) {
  flag_for_picture(&flag_clock, now);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glLoadIdentity();
  // the controls screen is this machine's own, over the described screens
  if (controls.shown)
    Controls_list();
  else
    draw_screen(screen_up());
  return true;
}
