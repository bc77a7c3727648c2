// The entry point: open the window, run messages and frames until done.
#include "core/draw_scene.h"
#include "core/game.h"
#include "core/lybrary3.h"
#include "platform/platform.h"
#include "render/render.h"

// Draws the frame and shows it: the draw step of every frame.
static void draw_and_present() {
  DrawGLScene();
  SwapBuffers();
}

// Starts the game and runs it; 0 on a normal end, 1 when it could not start.
int main() {
  game_startup_request();
  if (!CreateGLWindow("Korvalen", Window.X, Window.Y, Window.BIT, fullscreen)) return 1;

  while (!done) {
    MSG msg;
    if (PeekMessageA(&msg)) {
      if (msg.message == WM_QUIT)
        done = true;
      else
        DispatchMessageA(&msg);
    } else {
      game_frame(draw_and_present);
      KeysAfterFrame();
    }
  }

  KillGLWindow();
  KillFont();
  // The quit message always carries 0, and Exit from the menu is a normal end too.
  return 0;
}
