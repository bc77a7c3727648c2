// Textures, the font, the actors, the flag: everything drawn with GL.
#pragma once

#include "image/bmp.h"

// Start-up timing: when set, called with "window", "decode", "upload" and
// "font" as each step of opening the game ends. The frame benchmark sets it.
extern void (*startup_step_done)(const char* step);
void startup_step(const char* step);

// Textures and image loading.
AUX_RGBImageRec* LoadBMP(const char* Filename);
int LoadGLTextures();
// Why LoadGLTextures gave 0: the image as the game names it, the folder it was looked
// for in (a full path) and the cause.
const char* texture_load_failure();
// Puts a packed RGB image and its whole mipmap chain into the bound texture:
// the chain GLU would build, built here without GLU's slow general path. The sides
// are powers of two within the GL's largest texture: the loader scales every image
// to such sides (bmp_to_pow2) and the reader refuses larger ones.
void upload_mipmapped_rgb(int width, int height, const unsigned char* data);
void Texture_set(int id);
void Texture_NCP_(int Tex);
void Texture_NCP_l(int Tex);
void Texture_NCP_p(int Tex);
void Texture_NCP_z(int Tex);
void Texture_NCP_h(int Tex);
void Texture_n_hore(int c);
void Texture_n_dole(int c);
void Texture_n_doprava(int c);
void Texture_n_dolava(int c);
void Texture_n_hrot(int c);
void Texture_n_zadna(int c);

// Bitmap font and text.
void BuildFont();
void KillFont();
void glPrint(float x, float y, float z, const char* string);
void glPrintScaled(float x, float y, float scale, const char* string);
void Text_draw(float x, float y, float z, int number);
void white();
void black();
void blue();
void green();
void red();
void yellow();
void lila();
void cyan();
float line(float y);
// The picture as 640 x 480 units over the scene, y up from the bottom (or down from the top),
// for flat shapes and scaled text; flat_layer_end puts both matrices back.
void flat_layer_begin(bool y_down = false);
void flat_layer_end();
// Text layers are drawn over the frame with the depth test off and blending on.
void text_layer_begin();
// A character in the field's own coordinates: a square glyph `size` units across with its
// lower-left corner at (x, y), at height z, in the model-view as it stands.
void glyph_in_field(char c, float x, float y, float z, float size);
// Hands the frame back with the depth test on, blending off and the colour white.
void text_layer_end();

// Where the eye is, in the coordinates being drawn in (the model-view is
// turns and moves only).
void eye_position(float eye[3]);

// The faces of an upright box, as bits.
enum BoxFace : unsigned {
  FACE_TOP = 1,
  FACE_BOTTOM = 2,
  FACE_NORTH = 4,  // side y = y1
  FACE_SOUTH = 8,  // side y = y0
  FACE_EAST = 16,  // side x = x1
  FACE_WEST = 32,  // side x = x0
  ALL_FACES = 63
};
// The corners of the box from (x0, y0, z0) to (x1, y1, z1), four a face in the order of the
// face bits above, each face wound counter-clockwise as seen from outside.
void box_corners(float x0, float y0, float z0, float x1, float y1, float z1, float v[6][4][3]);
// One upright rectangle at height z from (x0, y0) to (x1, y1), the image's corners (s0, t0)
// to (s1, t1) on it, counter-clockwise from (x0, y0): four corners inside glBegin(GL_QUADS).
void textured_rect(float x0, float y0, float x1, float y1, float z, float s0 = 0, float t0 = 0,
                   float s1 = 1, float t1 = 1);
// The faces of the box from (x0, y0, z0) to (x1, y1, z1) whose outside the eye sees. The
// others lie wholly behind the box's near faces: with depth testing on they never show.
unsigned faces_toward_eye(const float eye[3], float x0, float y0, float z0, float x1, float y1,
                          float z1);

// Actors and arrows.
void Player_Draw(float x, float y, float z, int color, int alpha);
void Naboj_Draw(float x, float y, float z, int color, int alpha);
void naboj_kresli(int numb);

// The waving flag.
void Vlajka_D(int x, int y, float float_x, float float_y, float float_xb, float float_yb);
