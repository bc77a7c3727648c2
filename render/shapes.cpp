// The two shapes the game's pictures are made of: the textured rectangle and the box.
#include <GL/gl.h>

#include "render/render.h"

void textured_rect(float x0, float y0, float x1, float y1, float z, float s0, float t0, float s1,
                   float t1) {
  glTexCoord2f(s0, t0);
  glVertex3f(x0, y0, z);
  glTexCoord2f(s1, t0);
  glVertex3f(x1, y0, z);
  glTexCoord2f(s1, t1);
  glVertex3f(x1, y1, z);
  glTexCoord2f(s0, t1);
  glVertex3f(x0, y1, z);
}

void box_corners(float x0, float y0, float z0, float x1, float y1, float z1, float v[6][4][3]) {
  const float corners[6][4][3] = {
      {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}},  // top
      {{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}},  // bottom
      {{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}},  // north, y = y1
      {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}},  // south, y = y0
      {{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}},  // east, x = x1
      {{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}},  // west, x = x0
  };
  for (int f = 0; f < 6; f++)
    for (int i = 0; i < 4; i++)
      for (int k = 0; k < 3; k++) v[f][i][k] = corners[f][i][k];
}
