// Players and flying arrows: small textured boxes in the field's own frame.
// Nothing here sets colour, blending or depth; the caller's state holds.
#include <GL/gl.h>

#include "render/render.h"
#include "state/ground_plane.h"
#include "state/lybrary3.h"

typedef void (*bind_fn)(int);

// Which avatar image each side wears, so the front always looks where the
// player walks. Rows: north, south, east, west.
static const bind_fn player_sides[4][4] = {
    {Texture_NCP_, Texture_NCP_l, Texture_NCP_z, Texture_NCP_p},
    {Texture_NCP_z, Texture_NCP_p, Texture_NCP_, Texture_NCP_l},
    {Texture_NCP_p, Texture_NCP_, Texture_NCP_l, Texture_NCP_z},
    {Texture_NCP_l, Texture_NCP_z, Texture_NCP_p, Texture_NCP_},
};

// Arrow sides: head leads, tail trails, the long sides show the flight image.
static const bind_fn arrow_sides[4][4] = {
    {Texture_n_hrot, Texture_n_doprava, Texture_n_zadna, Texture_n_dolava},
    {Texture_n_zadna, Texture_n_doprava, Texture_n_hrot, Texture_n_dolava},
    {Texture_n_doprava, Texture_n_hrot, Texture_n_dolava, Texture_n_zadna},
    {Texture_n_dolava, Texture_n_zadna, Texture_n_doprava, Texture_n_hrot},
};

// Binds the side image for one face; an odd facing keeps what is bound.
static void bind_side(const bind_fn sides[4][4], int face, int alpha, int arg) {
  int f = facing_row(alpha);
  if (f >= 0) sides[face][f](arg);
}

// One quad with its four texture coordinates, corners in the order given.
static void face(const float v[4][3], const float st[4][2]) {
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; i++) {
    glTexCoord2f(st[i][0], st[i][1]);
    glVertex3f(v[i][0], v[i][1], v[i][2]);
  }
  glEnd();
}

void eye_position(float eye[3]) {
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int k = 0; k < 3; k++)
    eye[k] = -(m[k * 4] * m[12] + m[k * 4 + 1] * m[13] + m[k * 4 + 2] * m[14]);
}

unsigned faces_toward_eye(const float eye[3], float x0, float y0, float z0, float x1, float y1,
                          float z1) {
  unsigned faces = 0;
  if (eye[2] > z1) faces |= FACE_TOP;
  if (eye[2] <= z0) faces |= FACE_BOTTOM;
  if (eye[1] > y1) faces |= FACE_NORTH;
  if (eye[1] < y0) faces |= FACE_SOUTH;
  if (eye[0] > x1) faces |= FACE_EAST;
  if (eye[0] < x0) faces |= FACE_WEST;
  return faces;
}

// The faces of an actor's box the eye sees; those it does not are left out, but their
// images are still bound, for what is drawn next.
static unsigned seen_faces(float x0, float y0, float z0, float x1, float y1, float z1) {
  float eye[3];
  eye_position(eye);
  return faces_toward_eye(eye, x0, y0, z0, x1, y1, z1);
}

// One face of a box, when the eye sees it. A face left out still leaves its last texture
// coordinate behind, since untextured shapes drawn later take their tint from it.
static void face_if(unsigned seen, unsigned which, const float v[4][3], const float st[4][2]) {
  if (seen & which)
    face(v, st);
  else
    glTexCoord2f(st[3][0], st[3][1]);
}

// An actor's box from (x, y, z), xl by yl by zl. Top and bottom wear the tint image of
// colour; each side the image its table names for the facing, called with side_arg.
// Every face binds its image even when unseen, for what is drawn next.
static void actor_box(float x, float y, float z, float xl, float yl, float zl, int color,
                      const bind_fn sides[4][4], int side_arg, int alpha,
                      const float west_st[4][2]) {
  static const float quad_st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  static const float bottom_st[4][2] = {{1, 0}, {1, 1}, {0, 1}, {0, 0}};
  const unsigned seen = seen_faces(x, y, z, x + xl, y + yl, z + zl);
  float v[6][4][3];
  box_corners(x, y, z, x + xl, y + yl, z + zl, v);

  Texture_NCP_h(color);
  face_if(seen, FACE_TOP, v[0], quad_st);
  Texture_NCP_h(color);
  face_if(seen, FACE_BOTTOM, v[1], bottom_st);
  for (int side = 0; side < 4; side++) {
    bind_side(sides, side, alpha, side_arg);
    face_if(seen, FACE_NORTH << side, v[2 + side], side == 3 ? west_st : quad_st);
  }
}

// Draws a player as a unit cube wearing his avatar, turned by his facing.
// The west face runs its texture the other way round from the east one.
void Player_Draw(float x, float y, float z, int color, int alpha) {
  static const float west_st[4][2] = {{1, 0}, {1, 1}, {0, 1}, {0, 0}};
  actor_box(x, y, z, 1, 1, 1, color, player_sides, color, alpha, west_st);
}

// Draws one arrow: a thin box, long along its flight, head image in front.
void Naboj_Draw(float x, float y, float z, int color, int alpha) {
  static const float quad_st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  float xl = 0.5f, yl = 0.2f;

  // The flight image goes on first: with color 0 nothing else is bound for
  // the top and bottom, so they show the arrow's direction.
  switch (alpha) {
    case hore:
      xl = 0.2f;
      yl = 0.5f;
      Texture_n_hore(0);
      break;
    case doprava: Texture_n_doprava(0); break;
    case dole:
      xl = 0.2f;
      yl = 0.5f;
      Texture_n_dole(0);
      break;
    case dolava: Texture_n_dolava(0); break;
  }
  actor_box(x, y, z, xl, yl, 0.2f, color, arrow_sides, 0, alpha, quad_st);
}

// Draws every sub-arrow of one player that is still in the air.
void naboj_kresli(int numb) {
  for (int j = 0; j < SHOT_RECORDS; j++) {
    const Splayer::Snaboj& n = player[numb].naboj[j];
    for (int b = 0; b < SUB_ARROWS; b++) {
      if (n.fly[b]) Naboj_Draw(n.x[b], n.y[b], n.z[b], 0, n.alpha);
    }
  }
}
