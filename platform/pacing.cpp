// Frames paced to the display. The game moves one step a frame, so how often frames come is
// its speed: a display that paces them gives a rate known before the first frame.
#include <SDL.h>

#include <cstdlib>

#include "platform/platform.h"

static bool paced;  // the driver took one of our swap intervals other than 0

// Asks the driver to pace frames to the display: late-swap tearing where it is offered (a
// late frame is shown at once instead of waiting a whole refresh), else plain sync. Where
// neither is granted the game runs unpaced, as fast as it draws. Needs a current context.
void request_display_pacing() {
#ifdef __EMSCRIPTEN__
  return;  // a browser paces the frames itself, at a rate it does not tell
#endif
  paced = SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
  if (!paced) SDL_GL_SetSwapInterval(0);
}

// Frames as fast as they can be drawn: the test and bench windows, which time the drawing.
void stop_display_pacing() {
  SDL_GL_SetSwapInterval(0);
  paced = false;
}

// The display's refresh rate when frames are paced by it, 0 when they are not or the rate
// is unknown. KORVALEN_REFRESH_RATE stands in for a pacing display of that rate (tests).
double DisplayPacedRate() {
  const char* fake = SDL_getenv("KORVALEN_REFRESH_RATE");
  if (fake && *fake) return atof(fake);
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  if (!paced || !window) return 0;
  SDL_DisplayMode mode;
  int display = SDL_GetWindowDisplayIndex(window);
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
  return mode.refresh_rate > 0 ? mode.refresh_rate : 0;
}
