// The texture table and the start-up boxes, in a real GL context: which file
// lands in which slot, what each binder binds, and the boxes a failed start shows.
#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/lybrary3.h"
#include "render/render.h"
#include "tests/gl/gl_fixture.h"

namespace fs = std::filesystem;

// The image file of every slot, worked out from the rows of the slot table.
static std::string slot_file(int slot) {
  char name[64];
  const char* side[] = {"", "l", "p", "z"};
  const char* arrow[] = {"n_doprava", "n_dolava", "n_dole", "n_hore", "n_hrot", "n_zadne"};
  if (slot <= 4)
    snprintf(name, sizeof name, "Data/texture/%d.bmp", slot + 1);
  else if (slot <= 9)
    snprintf(name, sizeof name, "Data/texture/%d.bmp", slot + 2);
  else if (slot == 10)
    snprintf(name, sizeof name, "Data/texture/6.bmp");
  else if (slot <= 34)
    snprintf(name, sizeof name, "Data/avatar/0%d%s.bmp", (slot - 11) / 4 + 1,
             side[(slot - 11) % 4]);
  else if (slot == 35)
    snprintf(name, sizeof name, "Data/system/Font.bmp");
  else if (slot == 36)
    snprintf(name, sizeof name, "Data/world/grass.bmp");
  else if (slot == 37)
    snprintf(name, sizeof name, "Data/world/way.bmp");
  else if (slot == 38)
    snprintf(name, sizeof name, "Data/world/waal1.bmp");
  else if (slot <= 44)
    snprintf(name, sizeof name, "Data/avatar/0%dh.bmp", slot - 38);
  else if (slot <= 50)
    snprintf(name, sizeof name, "Data/texture/%s.bmp", arrow[slot - 45]);
  else
    snprintf(name, sizeof name, "Data/system/001.bmp");
  return name;
}

// Writes a 24-bit BMP of w x h pixels, pixel(x, y) with y = 0 the bottom row.
template <typename F>
static void write_bmp(const fs::path& path, int w, int h, F pixel) {
  fs::create_directories(path.parent_path());
  int row = (w * 3 + 3) & ~3;
  std::vector<unsigned char> f(54 + row * h, 0);
  auto put32 = [&](int at, unsigned v) {
    for (int i = 0; i < 4; i++) f[at + i] = (v >> (8 * i)) & 255;
  };
  f[0] = 'B', f[1] = 'M';
  put32(2, f.size()), put32(10, 54), put32(14, 40), put32(18, w), put32(22, h);
  f[26] = 1, f[28] = 24;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      Rgb c = pixel(x, y);
      unsigned char* p = &f[54 + y * row + x * 3];
      p[0] = c.b, p[1] = c.g, p[2] = c.r;
    }
  FILE* out = fopen(path.c_str(), "wb");
  fwrite(f.data(), 1, f.size(), out);
  fclose(out);
}

// Colour that marks slot s's file in the scratch tree.
static Rgb slot_mark(int s) {
  return {s * 4, 255 - s * 4, (s * 37) % 256};
}

// A scratch working folder holding all 52 images, each one plain colour;
// the tests run in it and go back to the real one at the end.
class TextureTable : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    home = fs::current_path();
    tree = fs::temp_directory_path() / ("korvalen_tex_" + std::to_string(getpid()));
    for (int s = 0; s < N; s++)
      write_bmp(tree / slot_file(s), 2, 2, [&](int, int) { return slot_mark(s); });
    fs::current_path(tree);
    for (int i = 0; i < N; i++) saved[i] = texture[i];
  }
  void TearDown() override {
    for (int i = 0; i < N; i++) texture[i] = saved[i];
    fs::current_path(home);
    fs::remove_all(tree);
  }
  fs::path home, tree;
  std::uint32_t saved[N];
};

// The colour of texel (x, y) of a texture's full-size image.
static Rgb texel(GLuint name, int x, int y) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  std::vector<unsigned char> p(w * h * 3 + 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, p.data());
  const unsigned char* t = &p[(y * w + x) * 3];
  return {t[0], t[1], t[2]};
}

TEST_F(TextureTable, EveryFileLandsInItsSlot) {
  // A 2 x 2 image has rows of 6 bytes: the upload must not expect 8.
  Rgb corner[2][2] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}};
  write_bmp(tree / slot_file(7), 2, 2, [&](int x, int y) { return corner[y][x]; });
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  ASSERT_EQ(LoadGLTextures(), 1);
  for (int s = 0; s < N; s++) {
    if (s == 7) continue;
    Rgb got = texel(texture[s], 0, 0), want = slot_mark(s);
    EXPECT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b) << "slot " << s;
  }
  // Bottom row first, red first in every pixel.
  for (int y = 0; y < 2; y++)
    for (int x = 0; x < 2; x++) {
      Rgb got = texel(texture[7], x, y), want = corner[y][x];
      EXPECT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b) << x << "," << y;
    }
  EXPECT_TRUE(gl_boxes().empty());
}

TEST_F(TextureTable, LoadingStopsAtTheFirstMissingImage) {
  fs::remove(tree / slot_file(10));
  // The next file is broken, but it is never read: no reader box.
  FILE* f = fopen(slot_file(11).c_str(), "wb");
  fputs("BM broken", f);
  fclose(f);
  EXPECT_EQ(LoadGLTextures(), 0);
  EXPECT_TRUE(gl_boxes().empty());
  for (int i = 0; i < N; i++) EXPECT_EQ(texture[i], saved[i]) << "no texture made, slot " << i;
  EXPECT_EQ(LoadBMP(nullptr), nullptr);
  EXPECT_EQ(LoadBMP("Data/no/such.bmp"), nullptr);
  EXPECT_TRUE(gl_boxes().empty());
}

TEST_F(TextureTable, ABrokenImageIsReportedByTheReaderInAnErrorBox) {
  // Header size 99: a form the reader does not know.
  FILE* f = fopen(slot_file(5).c_str(), "wb");
  fwrite("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x63\0\0\0", 1, 18, f);
  fclose(f);
  EXPECT_EQ(LoadGLTextures(), 0);
  ASSERT_EQ(gl_boxes().size(), 1u);
  EXPECT_EQ(gl_boxes()[0].caption, "Error");
  EXPECT_EQ(gl_boxes()[0].text, "Unknown DIB file format.");
  EXPECT_FALSE(gl_boxes()[0].yes_no);
}

// The texture bound to GL_TEXTURE_2D now.
static GLuint bound() {
  GLint name = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
  return name;
}

TEST_F(GlTest, BindersPickTheirSlots) {
  Texture_set(3);
  EXPECT_EQ(bound(), texture[3]);
  Texture_set(9);
  EXPECT_EQ(bound(), texture[9]);
  Texture_set(10);
  EXPECT_EQ(bound(), texture[0]);
  Texture_set(3);
  Texture_set(-1);
  EXPECT_EQ(bound(), texture[0]);

  Texture_NCP_(1);
  EXPECT_EQ(bound(), texture[11]);
  Texture_NCP_l(2);
  EXPECT_EQ(bound(), texture[16]);
  Texture_NCP_p(6);
  EXPECT_EQ(bound(), texture[33]);
  Texture_NCP_z(6);
  EXPECT_EQ(bound(), texture[34]);
  Texture_NCP_h(1);
  EXPECT_EQ(bound(), texture[39]);
  Texture_NCP_h(6);
  EXPECT_EQ(bound(), texture[44]);

  // Colour 0 and colours outside 1..6 keep the arrow's picture bound.
  Texture_n_hore(0);
  EXPECT_EQ(bound(), texture[48]);
  for (int c : {0, 7, -1}) {
    Texture_NCP_(c), Texture_NCP_l(c), Texture_NCP_p(c), Texture_NCP_z(c), Texture_NCP_h(c);
    EXPECT_EQ(bound(), texture[48]) << "colour " << c;
  }
  Texture_n_dole(5);
  EXPECT_EQ(bound(), texture[47]);
  Texture_n_doprava(0);
  EXPECT_EQ(bound(), texture[45]);
  Texture_n_dolava(0);
  EXPECT_EQ(bound(), texture[46]);
  Texture_n_hrot(0);
  EXPECT_EQ(bound(), texture[49]);
  Texture_n_zadna(0);
  EXPECT_EQ(bound(), texture[50]);
}

// Starting the game in the scratch tree: the boxes of each failed start. The
// test window is closed for this and opened again from the real tree.
class StartUpBoxes : public TextureTable {
 protected:
  void SetUp() override {
    TextureTable::SetUp();
    KillGLWindow();
    fullscreen = true;
  }
  void TearDown() override {
    KillGLWindow();
    gl_box_answer(false);
    TextureTable::TearDown();
    ASSERT_TRUE(OpenTestWindow());
  }
};

static const char* const question =
    "Tvoja Video karta pri tomto rozliseni nepodporuje \n"
    "spustenie na celu obrazovku. Chces pouzit zobrazenie bez fullscreenu?";

TEST_F(StartUpBoxes, AMissingImageFailsTheStart) {
  fs::remove(tree / slot_file(38));
  EXPECT_FALSE(CreateGLWindow("Korvalen", 1280, 1024, 32, false));
  ASSERT_EQ(gl_boxes().size(), 1u);
  EXPECT_EQ(gl_boxes()[0].text, "Initialization Failed.");
  EXPECT_EQ(gl_boxes()[0].caption, "ERROR");
  EXPECT_EQ(gl_boxes()[0].icon, BoxIcon::exclamation);
}

TEST_F(StartUpBoxes, NoFullScreenModeAsksAndNoEndsTheStart) {
  // The test screen is 1280 x 1024: it has no 1000 x 700 mode.
  EXPECT_FALSE(CreateGLWindow("Korvalen", 1000, 700, 32, true));
  ASSERT_EQ(gl_boxes().size(), 2u);
  EXPECT_EQ(gl_boxes()[0].text, question);
  EXPECT_EQ(gl_boxes()[0].caption, "Tarvo GL");
  EXPECT_TRUE(gl_boxes()[0].yes_no);
  EXPECT_EQ(gl_boxes()[0].icon, BoxIcon::exclamation);
  EXPECT_EQ(gl_boxes()[1].text, "Program sa zatvori.");
  EXPECT_EQ(gl_boxes()[1].caption, "OZNAM");
  EXPECT_EQ(gl_boxes()[1].icon, BoxIcon::stop);
  EXPECT_FALSE(gl_boxes()[1].yes_no);
}

TEST_F(StartUpBoxes, YesPlaysInAWindow) {
  gl_box_answer(true);
  EXPECT_TRUE(CreateGLWindow("Korvalen", 1000, 700, 32, true));
  ASSERT_EQ(gl_boxes().size(), 2u);
  EXPECT_EQ(gl_boxes()[0].caption, "Tarvo GL");
  EXPECT_EQ(gl_boxes()[1].text, "Maximalizuj okno. /n Zobrazenie moze byt rozhadzane.");
  EXPECT_EQ(gl_boxes()[1].caption, "UPOZORNENIE");
  EXPECT_EQ(gl_boxes()[1].icon, BoxIcon::exclamation);
  EXPECT_FALSE(fullscreen);
  EXPECT_EQ(gl_width(), 1000);
  EXPECT_EQ(gl_height(), 700);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 1000);
  EXPECT_EQ(viewport[3], 700);
}

TEST_F(StartUpBoxes, AnExactModeGoesFullScreenWithoutAsking) {
  EXPECT_TRUE(CreateGLWindow("Korvalen", 1280, 1024, 32, true));
  EXPECT_TRUE(gl_boxes().empty());
  EXPECT_TRUE(fullscreen);
}
