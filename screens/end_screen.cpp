// The end screen: the winner's avatar tilted toward the viewer and the
// high command's congratulation.
#include <GL/gl.h>

#include "render/render.h"
#include "screens/screens.h"
#include "state/lybrary3.h"

// Draws the winner's avatar and the end texts.
void End_draw() {
  // The last winner drawn; a tie (which play never reaches) keeps it.
  static int win = 0;

  glLoadIdentity();
  glTranslatef(-2.0f, -4.0f, -10.0f);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);

  // Facing down, the front image is on the low edge; the tilt shows it.
  if (player[1].sumary > player[2].sumary) {
    glRotatef(-60.0f, 1.0f, 0.0f, 0.0f);
    Player_Draw(1, 3, 1, player[1].color, 180);
    win = 1;
  } else if (player[1].sumary < player[2].sumary) {
    glRotatef(-60.0f, 1.0f, 0.0f, 0.0f);
    Player_Draw(1, 3, 1, player[2].color, 180);
    win = 2;
  }
  End_Text(win);
}

// Draws the congratulation to the winner and the way back.
void End_Text(int win) {
  text_layer_begin();
  cyan();
  if (win == 1)
    glPrint(200, 20, 0, "Velitelstvo ti gratuluje player 1");
  else
    glPrint(200, 20, 0, "Velitelstvo ti gratuluje player 2");
  red();
  glPrint(200, 400, 0, "Stlac medzernik");
  text_layer_end();
}
