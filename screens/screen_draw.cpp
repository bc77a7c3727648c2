// The drawing half of the screen table: each screen's picture.
#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/lybrary3.h"

namespace {

void end_screen_draw() {
  Vlajka_D(0, 0, 0.0f, 0.0f, 0.0f, 0.0f);
  End_draw();
}

// In the order of the screen table (flow/screen.h).
void (*const SCREEN_DRAW[])() = {
    Controls_list,       Help_list,      Info_list,       Nastavenia_list, end_screen_draw,
    New_Nastavenia_Draw, main_menu_draw, pause_menu_draw, play_draw,
};

static_assert(sizeof SCREEN_DRAW / sizeof SCREEN_DRAW[0] == SCREENS, "every screen is drawn");

}  // namespace

void draw_screen(Screen up) {
  SCREEN_DRAW[up]();
  // Right after the end screen the field still shows under the main menu for one frame,
  // because move is only recomputed later in the step.
  if ((up == SCREEN_MAIN_MENU || up == SCREEN_PAUSE_MENU) && move) match_draw();
}
