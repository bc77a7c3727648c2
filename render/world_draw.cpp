// The playing field: buildings, ground, characters, bows lying about,
// arrows and both players, seen from straight above.
#include <GL/gl.h>

#include <algorithm>

#include "render/k321.h"
#include "render/render.h"
#include "state/lybrary3.h"

// One unit cube's faces with their texture corners, lowest corner (cx, cy, z0).
// Shared by buildings (textured) and characters (plain, every face).
static void cube_faces(float cx, float cy, float z0, bool textured, unsigned faces = ALL_FACES) {
  static const float st[6][4][2] = {
      {{0, 0}, {1, 0}, {1, 1}, {0, 1}},  // top
      {{1, 0}, {1, 1}, {0, 1}, {0, 0}},  // bottom
      {{0, 1}, {0, 0}, {1, 0}, {1, 1}},  // north
      {{1, 1}, {0, 1}, {0, 0}, {1, 0}},  // south
      {{1, 0}, {1, 1}, {0, 1}, {0, 0}},  // east
      {{0, 0}, {1, 0}, {1, 1}, {0, 1}},  // west
  };
  float v[6][4][3];
  box_corners(cx, cy, z0, cx + 1, cy + 1, z0 + 1.0f, v);
  glBegin(GL_QUADS);
  for (int f = 0; f < 6; f++) {
    if (!(faces & 1u << f)) continue;
    for (int i = 0; i < 4; i++) {
      if (textured) glTexCoord2f(st[f][i][0], st[f][i][1]);
      glVertex3f(v[f][i][0], v[f][i][1], v[f][i][2]);
    }
  }
  glEnd();
}

// The model-view-projection matrix in use, for telling what cannot reach the window.
struct ViewVolume {
  float m[16];
};

static ViewVolume current_view() {
  float p[16], mv[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  glGetFloatv(GL_MODELVIEW_MATRIX, mv);
  ViewVolume v;
  for (int c = 0; c < 4; c++)
    for (int r = 0; r < 4; r++) {
      float sum = 0;
      for (int k = 0; k < 4; k++) sum += p[k * 4 + r] * mv[c * 4 + k];
      v.m[c * 4 + r] = sum;
    }
  return v;
}

// True when every corner of the box lies beyond one and the same side of the
// view volume: GL would clip all of it away, so drawing it only costs time.
static bool box_outside(const ViewVolume& v, float x0, float y0, float z0, float x1, float y1,
                        float z1) {
  int inside_of[6] = {};  // corners on the inner side of left, right, bottom, top, near, far
  for (int k = 0; k < 8; k++) {
    const float x = k & 1 ? x1 : x0, y = k & 2 ? y1 : y0, z = k & 4 ? z1 : z0;
    float c[4];
    for (int r = 0; r < 4; r++) c[r] = v.m[r] * x + v.m[4 + r] * y + v.m[8 + r] * z + v.m[12 + r];
    for (int axis = 0; axis < 3; axis++) {
      inside_of[axis * 2] += c[axis] >= -c[3];
      inside_of[axis * 2 + 1] += c[axis] <= c[3];
    }
  }
  for (int side = 0; side < 6; side++)
    if (inside_of[side] == 0) return true;
  return false;
}

// Draws a tiled floor of xl by yl tiles from tile (x, y), the image once per tile.
// Only the tiles the view reaches are drawn, as one quad whose texture repeats
// once per tile: the picture of a quad per tile (the lights saturate the floor's
// colour, so one quad is lit as every tile was) without the filter's rounding
// seams between tiles, and the rasterizer walks two triangles, not hundreds.
void ground(int x, int y, int xl, int yl) {
  glColor3f(0.0f, 1.0f, 0.0f);
  // The rows and the columns the view reaches bound the tiles it reaches.
  const ViewVolume view = current_view();
  const float fx0 = float(x), fx1 = float(x) + float(xl), fy0 = float(y),
              fy1 = float(y) + float(yl);
  long long i0 = xl, i1 = -1, j0 = yl, j1 = -1;
  for (long long j = 0; j < yl; j++) {
    if (box_outside(view, fx0, float(y + j), 0, fx1, float(y + j + 1), 0)) continue;
    j0 = std::min(j0, j);
    j1 = j;
  }
  for (long long i = 0; i < xl; i++) {
    if (box_outside(view, float(x + i), fy0, 0, float(x + i + 1), fy1, 0)) continue;
    i0 = std::min(i0, i);
    i1 = i;
  }
  if (i1 < i0 || j1 < j0) return;
  const float x0 = float(x + i0), y0 = float(y + j0), x1 = float(x + i1 + 1),
              y1 = float(y + j1 + 1);
  const float s1 = float(i1 + 1 - i0), t1 = float(j1 + 1 - j0);
  glBegin(GL_QUADS);
  textured_rect(x0, y0, x1, y1, 0, 0, 0, s1, t1);
  glEnd();
  // Untextured shapes drawn next take their tint from the last coordinate: the
  // corner the last tile ended on.
  glTexCoord2f(0, 1);
}

// The cells the fixed camera can ever show, with room for a window six times wider than
// high: a map may hold a building of two billion cells a side, and only these are drawn.
static const long long VIEW_X0 = -40, VIEW_X1 = 60, VIEW_Y0 = -20, VIEW_Y1 = 30;

// Draws a building as a slab of xl by yl textured unit cubes from cell (x, y).
void budova(int x, int y, int xl, int yl) {
  const long long i0 = VIEW_X0 - x > 0 ? VIEW_X0 - x : 0;
  const long long i1 = VIEW_X1 - x < xl ? VIEW_X1 - x : xl;
  const long long j0 = VIEW_Y0 - y > 0 ? VIEW_Y0 - y : 0;
  const long long j1 = VIEW_Y1 - y < yl ? VIEW_Y1 - y : yl;
  // Only the faces the eye sees the outside of are drawn, and of those not the sides
  // between two cubes of the building: the neighbour's top or near side covers them.
  float eye[3];
  eye_position(eye);
  for (long long j = j0; j < j1; j++) {
    for (long long i = i0; i < i1; i++) {
      const float cx = float(x + i), cy = float(y + j);
      unsigned faces = faces_toward_eye(eye, cx, cy, 0, cx + 1, cy + 1, 1);
      if (i > 0) faces &= ~FACE_WEST;
      if (i + 1 < xl) faces &= ~FACE_EAST;
      if (j > 0) faces &= ~FACE_SOUTH;
      if (j + 1 < yl) faces &= ~FACE_NORTH;
      cube_faces(cx, cy, 0.0f, true, faces);
    }
  }
}

// Draws a non-player character as one magenta cube.
void ncp_DRAW(float x, float y, float z) {
  glColor3f(1.0f, 0.0f, 1.0f);
  cube_faces(x, y, z, false);
}

// Outlines a rectangle in the ground plane with whatever state is current.
void QUADS_RAM(float x, float y, float xl, float yl) {
  QUADS_RAM(x, y, xl, yl, 0);
}

// Outlines a rectangle at height z with whatever state is current.
void QUADS_RAM(float x, float y, float xl, float yl, float z) {
  glBegin(GL_LINES);
  glVertex3f(x, y, z);
  glVertex3f(x + xl, y, z);
  glVertex3f(x + xl, y, z);
  glVertex3f(x + xl, y + yl, z);
  glVertex3f(x + xl, y + yl, z);
  glVertex3f(x, y + yl, z);
  glVertex3f(x, y + yl, z);
  glVertex3f(x, y, z);
  glEnd();
}

void clip_bottom_rows(int rows) {
  if (rows <= 0) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  int vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  rows = std::min(rows, vp[3]);
  glScissor(vp[0], vp[1] + rows, vp[2], vp[3] - rows);
  glEnable(GL_SCISSOR_TEST);
}

static int field_hidden_rows;

void field_hidden_below(int rows) {
  field_hidden_rows = rows;
}

// Draws the whole field for this frame and leaves the overlay state behind.
void S_D() {
  // Where the last bow was drawn; kept between frames, read by nobody else.
  static float x, y, z;

  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glLoadIdentity();
  glColor3f(1.0f, 1.0f, 1.0f);

  // Nothing in the field stands higher than its buildings, so whatever is
  // painted over the hidden rows at that height covers all the field puts there.
  clip_bottom_rows(field_hidden_rows);
  field_hidden_rows = 0;

  // The camera never moves: it hangs 20 units above field point (10, 4).
  glTranslatef(-10.0f, -4.0f, -20.0f);

  // Record 0 blocks walking but is never drawn.
  glBindTexture(GL_TEXTURE_2D, texture[37]);
  for (int i = 1; i < Build_Max; i++) budova(build[i].x, build[i].y, build[i].x2, build[i].y2);

  glBindTexture(GL_TEXTURE_2D, texture[36]);
  ground(-40, -40, 80, 80);
  glColor3f(1.0f, 1.0f, 1.0f);

  for (int i = 0; i < NCP_Max; i++) {
    if (NCP[i].live) ncp_DRAW(NCP[i].x, NCP[i].y, NCP[i].z);
  }

  for (int i = 0; i < GROUND_BOWS; i++) {
    if (!g_wepon[i].ly) continue;
    x = g_wepon[i].x;
    y = g_wepon[i].y;
    z = g_wepon[i].z;
    Texture_set(g_wepon[i].id);
    glBegin(GL_QUADS);
    textured_rect(x, y, x + 1, y + 1, z);
    glEnd();
  }

  naboj_kresli(1);
  naboj_kresli(2);

  Player_Draw(player[1].x, player[1].y, player[1].z, player[1].color, player[1].alpha);
  Player_Draw(player[2].x, player[2].y, player[2].z, player[2].color, player[2].alpha);

  clip_bottom_rows(0);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glColor3f(1.0f, 1.0f, 1.0f);
}
