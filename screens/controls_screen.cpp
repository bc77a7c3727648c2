// The controls screen: both players' keys, one row per action, with the entry picked
// highlighted; "defaults" under them, the last refusal and the keys that work the screen.
#include "flow/screen.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/bindings.h"
#include "state/language.h"

void Controls_list() {
  const int picked = controls.picked;
  const bool waiting = controls.waiting;
  static const char* const meaning[ACTIONS] = {"hore",   "dole",        "vlavo",
                                               "vpravo", "pouzi zbran", "zmen zbran"};
  text_screen_begin();
  yellow();
  glPrint(250, 10, 0, tr("Ovladanie"));
  red();
  glPrint(250, 50, 0, tr("player 1"));
  glPrint(450, 50, 0, tr("player 2"));
  for (int a = 0; a < ACTIONS; a++) {
    float y = 80 + 30 * a;
    white();
    glPrint(20, y, 0, tr(meaning[a]));
    for (int p = 1; p <= BOUND_PLAYERS; p++) {
      bool here = picked == (p - 1) * ACTIONS + a;
      if (here && waiting)
        lila();
      else if (here)
        cyan();
      else
        green();
      glPrint(p == 1 ? 250 : 450, y, 0, here && waiting ? "?" : key_name(binding(p, Action(a))));
    }
  }
  if (picked == CONTROLS_DEFAULTS)
    cyan();
  else
    white();
  glPrint(250, 280, 0, tr("povodne klavesy"));
  red();
  if (controls.refusal) glPrint(20, 330, 0, controls.refusal);
  white();
  glPrint(20, 400, 0,
          waiting ? tr("Stlac novu klavesu, Esc necha staru.")
                  : tr("Sipky vyber, Enter zmen, Esc spat"));
  text_layer_end();
}
