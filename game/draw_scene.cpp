// Frame composition: exactly one screen per frame, picked by the screen
// flags in a fixed precedence, and the two menus drawn over the flag.
#include "game/draw_scene.h"

#include <GL/gl.h>

#include "state/lybrary3.h"
#include "render/render.h"
#include "screens/screens.h"
#include "render/k321.h"
#include "flow/flag_grid.h"

// Menu entries: cyan for the highlighted one, white for the rest.
static void menu_entry_colour(bool highlighted) {
  if (highlighted)
    cyan();
  else
    white();
}

// The part both menus share: the flag, the six figures and the "Popis" hint.
static void menu_backdrop() {
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

// The pause menu: the match waits underneath until Return or End.
static void pause_menu() {
  menu_backdrop();
  menu_entry_colour(QReturn);
  glPrint(300, 100, 0, "Return");
  menu_entry_colour(QNastavenia);
  glPrint(270, 130, 0, "Nastavenia");
  menu_entry_colour(QEnd);
  glPrint(300, 160, 0, "End");
}

// The main menu, with the credits hint the pause menu does not show.
static void main_menu() {
  menu_backdrop();
  yellow();
  glPrint(10, 420, 0, "Info (I)");
  menu_entry_colour(QNew);
  glPrint(300, 100, 0, "New");
  menu_entry_colour(QNastavenia);
  glPrint(270, 130, 0, "Nastavenia");
  menu_entry_colour(QExit);
  glPrint(300, 160, 0, "Exit");
}

void count_flag_step() {
  // The same precedence as the picture: the end screen and each menu draw the flag.
  if (Help || Info || Nastavenia) return;
  if (End) {
    flag_wave_tick();
    return;
  }
  if (New_Nastavenia) return;
  if (Menu) flag_wave_tick();
  if (Start_Menu) flag_wave_tick();
}

// Draws one whole frame into the back buffer; the main loop presents it.
int DrawGLScene() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glLoadIdentity();

  // Sub-screens sit on top of the menus without clearing them, so the
  // topmost one is the first flag set in this order.
  if (Help) {
    Help_list();
  } else if (Info) {
    Info_list();
  } else if (Nastavenia) {
    Nastavenia_list();
  } else if (End) {
    Vlajka_D(0, 0, 0.0f, 0.0f, 0.0f, 0.0f);
    End_draw();
  } else if (New_Nastavenia) {
    New_Nastavenia_Draw();
  } else {
    if (Menu || Start_Menu) {
      glDisable(GL_DEPTH_TEST);
      glEnable(GL_BLEND);
      glLoadIdentity();
      glColor3f(1.0f, 1.0f, 0.0f);
    }
    // Only the very first frame still holds the start request here.
    if (start) {
      glLoadIdentity();
      glTranslatef(0.0f, 0.0f, 0.0f);
      glPrint(250, 10, 0, "Start");
    }
    if (Start_Menu || Menu) {
      glLoadIdentity();
      glPrint(200, 10, 0, "Korvalen");
    }
    if (Menu) pause_menu();
    if (Start_Menu) main_menu();
    // Right after the end screen the map still shows under the main menu
    // for one frame, because move is only recomputed later.
    if (move) {
      // The panel's backdrop would paint its rows black over the field: the
      // field leaves them as the clear left them, black, and the backdrop
      // paints only the edge rows it covers in part.
      const int panel_rows = panel_covered_rows();
      field_hidden_below(panel_rows);
      S_D();
      panel_backdrop_above(panel_rows);
      Info_Menu();
    }
  }
  return true;
}
