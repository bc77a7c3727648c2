// The texture table: the 52 images read at start-up, and the small binders
// that turn a weapon, an avatar colour or a part of an arrow into a slot.
#include <GL/gl.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "state/data_files.h"
#include "state/files.h"
#include "state/lybrary3.h"
#include "image/mipmap.h"
#include "render/render.h"

// Image file of every slot, in load order.
static const char* const texture_files[N] = {
    "Data/texture/1.bmp",         "Data/texture/2.bmp",        "Data/texture/3.bmp",
    "Data/texture/4.bmp",         "Data/texture/5.bmp",        "Data/texture/7.bmp",
    "Data/texture/8.bmp",         "Data/texture/9.bmp",        "Data/texture/10.bmp",
    "Data/texture/11.bmp",        "Data/texture/6.bmp",        "Data/avatar/01.bmp",
    "Data/avatar/01l.bmp",        "Data/avatar/01p.bmp",       "Data/avatar/01z.bmp",
    "Data/avatar/02.bmp",         "Data/avatar/02l.bmp",       "Data/avatar/02p.bmp",
    "Data/avatar/02z.bmp",        "Data/avatar/03.bmp",        "Data/avatar/03l.bmp",
    "Data/avatar/03p.bmp",        "Data/avatar/03z.bmp",       "Data/avatar/04.bmp",
    "Data/avatar/04l.bmp",        "Data/avatar/04p.bmp",       "Data/avatar/04z.bmp",
    "Data/avatar/05.bmp",         "Data/avatar/05l.bmp",       "Data/avatar/05p.bmp",
    "Data/avatar/05z.bmp",        "Data/avatar/06.bmp",        "Data/avatar/06l.bmp",
    "Data/avatar/06p.bmp",        "Data/avatar/06z.bmp",       "Data/system/Font.bmp",
    "Data/world/grass.bmp",       "Data/world/way.bmp",        "Data/world/waal1.bmp",
    "Data/avatar/01h.bmp",        "Data/avatar/02h.bmp",       "Data/avatar/03h.bmp",
    "Data/avatar/04h.bmp",        "Data/avatar/05h.bmp",       "Data/avatar/06h.bmp",
    "Data/texture/n_doprava.bmp", "Data/texture/n_dolava.bmp", "Data/texture/n_dole.bmp",
    "Data/texture/n_hore.bmp",    "Data/texture/n_hrot.bmp",   "Data/texture/n_zadne.bmp",
    "Data/system/001.bmp",
};

void (*startup_step_done)(const char* step);

void startup_step(const char* step) {
  if (startup_step_done) startup_step_done(step);
}

// Reads one image; a file that is not there fails quietly, a broken one is
// reported by the reader itself. The test opening never waits (on a pipe, say).
AUX_RGBImageRec* LoadBMP(const char* Filename) {
  int file = open_without_waiting(Filename);
  if (file < 0) {
    bmp_failure = why_unopened(Filename);
    return nullptr;
  }
  close(file);
  return bmp_read_file(Filename);
}

// Three colour components: the old count 3, which the browser's GL knows only by its name.
#ifdef __EMSCRIPTEN__
constexpr GLint RGB_TEXELS = GL_RGB;
#else
constexpr GLint RGB_TEXELS = 3;
#endif

void upload_mipmapped_rgb(int width, int height, const unsigned char* data) {
  glTexImage2D(GL_TEXTURE_2D, 0, RGB_TEXELS, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, data);
  mipmap_chain(width, height, data, [](int n, int w, int h, const unsigned char* texels) {
    glTexImage2D(GL_TEXTURE_2D, n, RGB_TEXELS, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
  });
}

static char load_failure[PATH_MAX + 200];

const char* texture_load_failure() {
  return load_failure;
}

// Notes which image stopped the start and why, with the folder it was looked for in:
// the working directory or the installed data folder.
static void note_load_failure(const char* name) {
  std::string path = data_file_path(name);
  std::string folder = path == name ? "." : data_folder();
  char* full = realpath(folder.c_str(), nullptr);
  std::snprintf(load_failure, sizeof(load_failure), "could not read %s in %s: %s", name,
                full ? full : folder.c_str(), bmp_failure);
  std::free(full);
}

// Loads all 52 images into textures; 0 as soon as one image is missing.
int LoadGLTextures() {
  AUX_RGBImageRec* images[N] = {};
  for (int i = 0; i < N; i++) {
    images[i] = bmp_to_pow2(LoadBMP(data_file_path(texture_files[i]).c_str()));
    if (!images[i]) {
      note_load_failure(texture_files[i]);
      // What was already decoded would otherwise be lost for the whole run.
      for (int j = 0; j < i; j++) bmp_free(images[j]);
      return 0;
    }
  }

  startup_step("decode");

  // Decoded rows are packed; GL's default 4-byte rows would shear odd widths.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glGenTextures(N, texture);
  for (int i = 0; i < N; i++) {
    glBindTexture(GL_TEXTURE_2D, texture[i]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    upload_mipmapped_rgb(images[i]->sizeX, images[i]->sizeY, images[i]->data);
  }
  for (int i = 0; i < N; i++) bmp_free(images[i]);
  startup_step("upload");
  return 1;
}

// Binds the picture of weapon id 0 to 9; anything else shows weapon 0.
void Texture_set(int id) {
  if (id < 0 || id > 9) id = 0;
  glBindTexture(GL_TEXTURE_2D, texture[id]);
}

// Binds the avatar image of colour 1 to 6 from the given column of the avatar
// rows; colour 0 (and anything else) keeps what is bound, which the arrows use.
static void bind_avatar(int Tex, int first_slot, int stride) {
  if (Tex < 1 || Tex > 6) return;
  glBindTexture(GL_TEXTURE_2D, texture[first_slot + stride * (Tex - 1)]);
}

// Front of an avatar.
void Texture_NCP_(int Tex) {
  bind_avatar(Tex, 11, 4);
}
// Left side of an avatar.
void Texture_NCP_l(int Tex) {
  bind_avatar(Tex, 12, 4);
}
// Right side of an avatar.
void Texture_NCP_p(int Tex) {
  bind_avatar(Tex, 13, 4);
}
// Back of an avatar.
void Texture_NCP_z(int Tex) {
  bind_avatar(Tex, 14, 4);
}
// Top of an avatar.
void Texture_NCP_h(int Tex) {
  bind_avatar(Tex, 39, 1);
}

// Arrow flying up; also the ammunition icon.
void Texture_n_hore(int) {
  glBindTexture(GL_TEXTURE_2D, texture[48]);
}
// Arrow flying down.
void Texture_n_dole(int) {
  glBindTexture(GL_TEXTURE_2D, texture[47]);
}
// Arrow flying right.
void Texture_n_doprava(int) {
  glBindTexture(GL_TEXTURE_2D, texture[45]);
}
// Arrow flying left.
void Texture_n_dolava(int) {
  glBindTexture(GL_TEXTURE_2D, texture[46]);
}
// Arrow head.
void Texture_n_hrot(int) {
  glBindTexture(GL_TEXTURE_2D, texture[49]);
}
// Arrow tail.
void Texture_n_zadna(int) {
  glBindTexture(GL_TEXTURE_2D, texture[50]);
}
