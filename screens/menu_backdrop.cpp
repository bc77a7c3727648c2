// What the main and pause menus share: the title, the waving flag, the six figures and the
// "Popis" hint, and the entries' colours.
#include <GL/gl.h>

#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/lybrary3.h"

void menu_title() {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glLoadIdentity();
  glColor3f(1.0f, 1.0f, 0.0f);
  glLoadIdentity();
  glPrint(200, 10, 0, "Korvalen");
}

void menu_backdrop() {
  Vlajka_D(0, 0, 0.0f, 0.0f, 0.0f, 0.0f);

  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -10.0f);
  glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
  white();

  // Two columns of three, every avatar colour once, all looking at the viewer.
  Player_Draw(-4.0f, 0.0f, 0.0f, 4, 180);
  Player_Draw(3.0f, 0.0f, 0.0f, 2, 180);
  Player_Draw(-4.0f, 0.0f, 2.0f, 3, 180);
  Player_Draw(3.0f, 0.0f, 2.0f, 1, 180);
  Player_Draw(-4.0f, 0.0f, -2.0f, 5, 180);
  Player_Draw(3.0f, 0.0f, -2.0f, 6, 180);

  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);

  red();
  glPrint(10, 10, 0, "Popis (H)");
}

void menu_entry_colour(bool highlighted) {
  if (highlighted)
    cyan();
  else
    white();
}
