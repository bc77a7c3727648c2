// Draws one staged moment of a match for the documentation and saves the window as a PPM
// picture: the four bows on the ground side by side, both archers, and a shot of the war bow
// and of the long bow in the air. Bows of id 4 are never dropped in play, so no real match
// shows all four at once. Run from the source tree under X: staged_field OUT.ppm
#include <GL/gl.h>

#include <cstdio>
#include <vector>

#include "combat/combat.h"
#include "flow/game.h"
#include "state/lybrary3.h"
#include "platform/platform.h"
#include "screens/screens.h"
#include "render/k321.h"
#include "world/world.h"

// Puts an archer on the field with a full bow of the given id in hand, and lets him shoot
// once when `shoot` is set; the shot is then carried `ahead` units along its flight.
static void stage_archer(int numb, int colour, float x, float y, int alpha, int bow, bool shoot,
                         float ahead) {
  Splayer& p = player[numb];
  p.color = colour, p.x = x, p.y = y, p.z = 0, p.alpha = alpha, p.live = true;
  p.wepon.id = p.in[0].id = bow;
  p.show.id = 0;
  for (int k = 0; k < HAND_ARROWS; k++) p.wepon.naboj[k].have = p.in[0].naboj[k].have = true;
  if (!shoot) return;
  player_strel(numb);
  for (int b = 0; b < SUB_ARROWS; b++) {
    p.naboj[0].x[b] += alpha == 90 ? ahead : alpha == 270 ? -ahead : 0;
    p.naboj[0].y[b] += alpha == 0 ? ahead : alpha == 180 ? -ahead : 0;
  }
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: staged_field OUT.ppm\n");
    return 2;
  }
  if (!OpenTestWindow()) return 1;
  New_game_set();
  sector_set();
  for (Sg_wepon& w : g_wepon) w.ly = false;
  for (int id = 1; id <= 4; id++) g_wepon[id - 1] = {nullptr, 5.0f + 2 * id, 8, 0, id, true};
  stage_archer(1, 1, 2, 3, 90, 4, true, 4);
  stage_archer(2, 2, 17, 7, 270, 2, true, 3);
  player[1].sumary = 2, player[2].sumary = -2;
  timer.time = 3120;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  S_D();
  Info_Menu();
  int w, h;
  WindowDrawableSize(&w, &h);
  std::vector<unsigned char> rgb(size_t(w) * h * 3);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f) return 1;
  std::fprintf(f, "P6\n%d %d\n255\n", w, h);
  for (int y = h - 1; y >= 0; y--) std::fwrite(&rgb[size_t(y) * w * 3], 1, size_t(w) * 3, f);
  KillGLWindow();
  return std::fclose(f) == 0 ? 0 : 1;
}
