// The waving flag behind the menus and the end screen.
#include <GL/gl.h>

#include "flow/flag_grid.h"
#include "render/render.h"
#include "state/lybrary3.h"

// True when column x of the cloth (between grid lines x and x + 1) is one flat
// strip: each of its two grid lines keeps one height all the way up. The wave
// only ever moves along x, so every column is.
static bool column_is_flat(int x) {
  for (int y = 1; y < FLAG_SIZE; y++)
    if (points[x][y][2] != points[x][0][2] || points[x + 1][y][2] != points[x + 1][0][2] ||
        points[x][y][0] != points[x][0][0] || points[x + 1][y][0] != points[x + 1][0][0])
      return false;
  return true;
}

// Draws the flag cloth on its wave grid; the wave moves with the time it is shown
// (flag_for_picture).
// The six arguments carry nothing in: they are the loop counters and the
// texture coordinates, assigned before they are read. A flat column is one
// quad from foot to top: the same surface and image as its 44 small quads,
// with far fewer tiny triangles for the rasterizer to set up.
void Vlajka_D(int x, int y, float float_x, float float_y, float float_xb, float float_yb) {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  white();
  glTranslatef(0.0f, 0.0f, -30.0f);
  glBindTexture(GL_TEXTURE_2D, texture[51]);

  glBegin(GL_QUADS);
  for (x = 0; x < FLAG_SIZE - 1; x++) {
    const bool flat = column_is_flat(x);
    const int step = flat ? FLAG_SIZE - 1 : 1;
    for (y = 0; y < FLAG_SIZE - 1; y += step) {
      float_x = float(x) / 44.0f;
      float_y = float(y) / 44.0f;
      float_xb = float(x + 1) / 44.0f;
      float_yb = float(y + step) / 44.0f;

      glTexCoord2f(float_x, float_y);
      glVertex3f(points[x][y][0], points[x][y][1], points[x][y][2]);
      glTexCoord2f(float_x, float_yb);
      glVertex3f(points[x][y + step][0], points[x][y + step][1], points[x][y + step][2]);
      glTexCoord2f(float_xb, float_yb);
      glVertex3f(points[x + 1][y + step][0], points[x + 1][y + step][1],
                 points[x + 1][y + step][2]);
      glTexCoord2f(float_xb, float_y);
      glVertex3f(points[x + 1][y][0], points[x + 1][y][1], points[x + 1][y][2]);
    }
  }
  glEnd();
}
