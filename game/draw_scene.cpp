// Frame composition: exactly one screen per frame, the one the screen table says is up.
#include "game/draw_scene.h"

#include <GL/gl.h>

#include "flow/flag_grid.h"
#include "flow/screen.h"
#include "screens/screens.h"

void count_flag_step() {
  // The screens that draw the flag: the end screen and the two menus.
  Screen up = screen_up();
  if (up == SCREEN_END || up == SCREEN_MAIN_MENU || up == SCREEN_PAUSE_MENU) flag_wave_tick();
}

// Draws one whole frame into the back buffer; the main loop presents it.
int DrawGLScene() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glLoadIdentity();
  draw_screen(screen_up());
  return true;
}
