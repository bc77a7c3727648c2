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

static XErrorHandler errors_before;
static bool noting_errors;
static char first_error[300];

// Notes the first X error of the window's creation in words.
static int note_x_error(Display* display, XErrorEvent* error) {
  if (first_error[0]) return 0;
  char text[200] = "";
  XGetErrorText(display, error->error_code, text, sizeof(text));
  snprintf(first_error, sizeof(first_error), "X error %s (request %d.%d)", text,
           error->request_code, error->minor_code);
  return 0;
}

void x_errors_begin() {
  first_error[0] = '\0';
  errors_before = XSetErrorHandler(note_x_error);
  noting_errors = true;
}

const char* x_error_seen(SDL_Window* window) {
  Display* display;
  ::Window x_window;
  if (x_window_of(window, &display, &x_window)) XSync(display, False);
  return first_error[0] ? first_error : nullptr;
}

void x_errors_end() {
  if (noting_errors) XSetErrorHandler(errors_before);
  noting_errors = false;
}
