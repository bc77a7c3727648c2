// What the game asks of the X server directly, beside SDL.
#include "platform/x_guard.h"

#include <SDL.h>
#include <SDL_syswm.h>

// The X connection and window of an SDL window; false off X.
static bool x_window_of(SDL_Window* window, Display** display, ::Window* x_window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return false;
  *display = info.info.x11.display;
  *x_window = info.info.x11.window;
  return true;
}

void drop_window_system_events(SDL_Window* window) {
  Display* display;
  ::Window x_window;
  if (x_window_of(window, &display, &x_window)) XSync(display, True);
}
