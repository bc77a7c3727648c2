// The speed screen: the three levels, the current one marked.
#include <GL/gl.h>

#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"
#include "state/lybrary3.h"

// One speed level, lila when it is the current one.
static void speed_level(float y, bool current, const char* name) {
  if (current)
    lila();
  else
    white();
  glPrint(250, y, 0, tr(name));
}

// Draws the speed screen with the current level marked.
void Nastavenia_list() {
  text_screen_begin();
  cyan();
  glPrint(250, 10, 0, tr("Nastavenia"));
  white();
  glPrint(50, 70, 0, tr("Ak sa ti zda hra pomala, treba zmenit stupen rychlosti."));
  glPrint(50, 100, 0, tr("Stlac cislo stupna. Potom sa vrat do hry."));
  glPrint(50, 130, 0, tr("Oznaceny je aktualny stupen rychlosti."));
  speed_level(160, Q_1, "stupen 1");
  speed_level(190, Q_2, "stupen 2");
  speed_level(220, Q_3, "stupen 3");
  text_layer_end();
}

void speed_screen_draw() {
  Nastavenia_list();
}
