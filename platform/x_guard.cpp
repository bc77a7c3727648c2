// What the game asks of the X server directly, beside SDL.
#include "platform/x_guard.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>

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

// True when the window manager has the window shaded (_NET_WM_STATE_SHADED).
static bool window_shaded(SDL_Window* window) {
  Display* display;
  ::Window x_window;
  if (!x_window_of(window, &display, &x_window)) return false;
  static Display* atoms_of;
  static Atom state, shaded;
  if (atoms_of != display) {
    state = XInternAtom(display, "_NET_WM_STATE", False);
    shaded = XInternAtom(display, "_NET_WM_STATE_SHADED", False);
    atoms_of = display;
  }
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, x_window, state, 0, 64, False, XA_ATOM, &type, &format, &count,
                         &after, &data) != Success)
    return false;
  bool found = false;
  for (unsigned long i = 0; data && type == XA_ATOM && format == 32 && i < count; i++)
    found = found || reinterpret_cast<Atom*>(data)[i] == shaded;
  if (data) XFree(data);
  return found;
}

int shade_change(SDL_Window* window, bool active) {
  static Uint32 last_look;
  static bool held;  // the game counts the window as minimised for its shade
  Uint32 now = SDL_GetTicks();
  if (!window || now - last_look < 250) return -1;
  last_look = now;
  bool shaded = window_shaded(window);
  if (shaded && active) {
    held = true;
    return 1;
  }
  if (shaded || !held) return -1;
  held = false;
  bool minimised = (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED) != 0;
  return active || minimised ? -1 : 0;
}
