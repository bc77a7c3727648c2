// The waving flag behind the menus and the end screen.
#include <GL/gl.h>

#include "core/lybrary3.h"
#include "render/flag_grid.h"
#include "render/render.h"

// Draws the flag cloth on its wave grid, then counts one animation step.
// The six arguments carry nothing in: they are the loop counters and the
// texture coordinates, assigned before they are read.
void Vlajka_D(int x, int y, float float_x, float float_y, float float_xb, float float_yb) {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  white();
  glTranslatef(0.0f, 0.0f, -30.0f);
  glBindTexture(GL_TEXTURE_2D, texture[51]);

  glBegin(GL_QUADS);
  for (x = 0; x < FLAG_SIZE - 1; x++) {
    for (y = 0; y < FLAG_SIZE - 1; y++) {
      float_x = float(x) / 44.0f;
      float_y = float(y) / 44.0f;
      float_xb = float(x + 1) / 44.0f;
      float_yb = float(y + 1) / 44.0f;

      glTexCoord2f(float_x, float_y);
      glVertex3f(points[x][y][0], points[x][y][1], points[x][y][2]);
      glTexCoord2f(float_x, float_yb);
      glVertex3f(points[x][y + 1][0], points[x][y + 1][1], points[x][y + 1][2]);
      glTexCoord2f(float_xb, float_yb);
      glVertex3f(points[x + 1][y + 1][0], points[x + 1][y + 1][1], points[x + 1][y + 1][2]);
      glTexCoord2f(float_xb, float_y);
      glVertex3f(points[x + 1][y][0], points[x + 1][y][1], points[x + 1][y][2]);
    }
  }
  glEnd();

  flag_wave_tick();
}
