// The game's own mipmap chain against the one GLU builds, texel for texel.
#include <GL/gl.h>
#include <GL/glu.h>

#include <random>
#include <vector>

#include "render/render.h"
#include "tests/gl/gl_fixture.h"

namespace {

// Every level of the bound texture, top level first.
std::vector<std::vector<unsigned char>> levels() {
  std::vector<std::vector<unsigned char>> all;
  for (int n = 0;; n++) {
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, n, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, n, GL_TEXTURE_HEIGHT, &h);
    if (w == 0 || h == 0) return all;
    all.emplace_back(size_t(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, n, GL_RGB, GL_UNSIGNED_BYTE, all.back().data());
  }
}

TEST_F(GlTest, MipmapChainIsTheOneGluBuilds) {
  std::mt19937 random(12);
  const int sizes[][2] = {{64, 64}, {256, 256}, {16, 4}, {2, 32}, {8, 1}, {1, 8}, {1, 1}};
  for (const auto& size : sizes) {
    std::vector<unsigned char> image(size_t(size[0]) * size[1] * 3);
    for (unsigned char& c : image) c = (unsigned char)random();
    GLuint t[2];
    glGenTextures(2, t);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, t[0]);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, size[0], size[1], GL_RGB, GL_UNSIGNED_BYTE, image.data());
    auto want = levels();
    glBindTexture(GL_TEXTURE_2D, t[1]);
    upload_mipmapped_rgb(size[0], size[1], image.data());
    auto got = levels();
    glDeleteTextures(2, t);
    ASSERT_EQ(got.size(), want.size()) << size[0] << " x " << size[1];
    for (size_t n = 0; n < want.size(); n++)
      EXPECT_EQ(got[n], want[n]) << size[0] << " x " << size[1] << ", level " << n;
  }
}

}  // namespace
