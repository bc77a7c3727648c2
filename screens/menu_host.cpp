// Hosting: the ways to host, the one picked highlighted; the rooms' rows dimmed, and what an
// internet game needs said, while no meeting servers are set.
#include <GL/gl.h>

#include "flow/menu_screens.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"

void menu_host_draw() {
  static const char* const ways[HOST_WAYS - 1] = {"Na sieti LAN (port 28760)",
                                                  "Na internete, verejna miestnost",
                                                  "Na internete, sukromna miestnost"};
  text_screen_begin();
  yellow();
  glPrint(230, 30, 0, tr("Hostit hru"));
  for (int row = 0; row < HOST_WAYS - 1; row++) {
    if (row == menus.picked)
      cyan();
    else if (row > 0 && !menus.server_set)
      glColor3f(0.45f, 0.45f, 0.45f);
    else
      green();
    glPrint(80, 90 + 40 * row, 0, tr(ways[row]));
  }
  white();
  if (menus.picked == 0)
    glPrint(40, 230, 0, tr("Druhy hrac sa pripoji na tvoju adresu."));
  else if (menus.picked == 1)
    glPrint(40, 230, 0, tr("Miestnost uvidia vsetci v zozname miestnosti."));
  else
    glPrint(40, 230, 0, tr("Miestnost najde len ten, komu das jej kod."));
  if (!menus.server_set) {
    red();
    glPrint(40, 270, 0, tr("Hra cez internet potrebuje server na stretnutie:"));
    glPrint(40, 295, 0, tr("server = https://HOST v casti [online] nastaveni"));
    glPrint(40, 320, 0, tr("alebo --server URL. Ako ho spustit, povie README:"));
    glPrint(40, 345, 0, "\"Playing over the internet\"");
  }
  white();
  glPrint(20, 400, 0, tr("Sipky vyber, Medzernik hostit, Esc spat"));
}
