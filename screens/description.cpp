// The description screen: the game and how the rating works.
#include <GL/gl.h>

#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"
#include "state/lybrary3.h"

// Draws the description of the game and how the rating works.
void Help_list() {
  text_screen_begin();
  yellow();
  glPrint(100, 30, 0, tr("Popis hry"));
  green();
  glPrint(210, 30, 0, "Korvalen");
  white();
  glPrint(10, 60, 0, tr("Je to hra pre dvoch hracov."));
  glPrint(10, 90, 0, tr("Po zacati bitky mas za ulohu porazit nepriatela."));
  glPrint(10, 120, 0, tr("To znamena mat lepsie hodnotenie od velenia. "));
  cyan();
  glPrint(10, 150, 0, tr("Princip hodnotenia: "));
  yellow();
  glPrint(10, 180, 0, tr("Tvoje hodnotenie = kolko zasiahnes - kolko si bol zasiahnuty"));
  white();
  glPrint(10, 210, 0, tr("Zbieraj lepsie luky, ale davaj si pozor na sipy."));
  glPrint(10, 240, 0, tr("Pre istotu ta vyzbrojili mecom."));
  glPrint(10, 270, 0, tr(" Nim mozes zasiahnut protivnika len z tesnej blizkosti."));
  glPrint(10, 300, 0, tr("Mas na to 500 casovych jednotiek."));
  text_layer_end();
}

void description_draw() {
  Help_list();
}
