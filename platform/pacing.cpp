// Pictures paced to the display: one picture per refresh, never more, whether the driver
// paces them or the game has to.
#include <SDL.h>

#include "platform/platform.h"

static bool paced;  // the driver took one of our swap intervals other than 0

// Asks the driver to pace frames to the display: late-swap tearing where it is offered (a
// late frame is shown at once instead of waiting a whole refresh), else plain sync. Where
// neither is granted the game waits itself (PacePicture). Needs a current context.
void request_display_pacing() {
  paced = SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
  if (!paced) SDL_GL_SetSwapInterval(0);
}

// Frames as fast as they can be drawn: the test and bench windows, which time the drawing.
void stop_display_pacing() {
  SDL_GL_SetSwapInterval(0);
  paced = false;
}

// The display's refresh rate, 60 when the display does not tell.
static double refresh_rate() {
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  SDL_DisplayMode mode;
  int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0 || mode.refresh_rate <= 0)
    return 60;
  return mode.refresh_rate;
}

// Where the driver does not pace the pictures, waits out the rest of a display refresh
// since the last picture: more pictures than the display shows would only burn the
// processor. A picture that came late starts the count again from now.
void PacePicture() {
  static Uint64 next;
  if (paced) return;
  const Uint64 frequency = SDL_GetPerformanceFrequency();
  const Uint64 interval = static_cast<Uint64>(frequency / refresh_rate());
  Uint64 now = SDL_GetPerformanceCounter();
  if (next > now && next - now <= interval) {
    SDL_Delay(static_cast<Uint32>((next - now) * 1000 / frequency));
    while (SDL_GetPerformanceCounter() < next) {
    }
    now = next;
  }
  next = now + interval;
}
