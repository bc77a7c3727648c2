// The drawing half of the screen table: each screen's picture, screens/NAME.cpp's NAME_draw().
#include "render/k321.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/lybrary3.h"

#define SCREEN_PICTURE(id, file, flag, escape, players_keys) void file##_draw();
DESCRIBED_SCREENS(SCREEN_PICTURE)
#undef SCREEN_PICTURE

namespace {

// In the order of the screen table (state/described_screens.h), then play.
void (*const SCREEN_DRAW[])() = {
#define SCREEN_PICTURE(id, file, flag, escape, players_keys) file##_draw,
    DESCRIBED_SCREENS(SCREEN_PICTURE)
#undef SCREEN_PICTURE
        play_screen_draw,
};

static_assert(sizeof SCREEN_DRAW / sizeof SCREEN_DRAW[0] == SCREENS, "every screen is drawn");

}  // namespace

void draw_screen(Screen up) {
  SCREEN_DRAW[up]();
  // Right after the end screen the field still shows under the main menu for one frame,
  // because move is only recomputed later in the step.
  if ((up == SCREEN_MAIN_MENU || up == SCREEN_PAUSE_MENU) && move) match_draw();
}
