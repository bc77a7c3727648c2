// What SDL cannot do for us on X: keep other clients from making the game window larger
// than the GL can draw into. Kept apart because the X headers' names clash with the game's.
//
// The GL reads the window's size straight from the X server at the first draw of each
// frame and allocates its buffers to match: a window of 32767 x 32767 crashes the software
// rasterizer, and one of 16384 x 16384 costs it 2 GB. A window manager holds the window to
// the largest size we hint; with none, any client may resize it, at any moment of a frame.
// So while no window manager runs, the game takes every other client's resize as a request
// (ResizeRedirect) and answers it with the size clamped: the window is never larger.
#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>

#include "platform/signals.h"

static Display* x_display;
static ::Window x_window;
static int largest_w, largest_h;
static bool resizes_redirected;  // other clients' resizes come to us as requests
static bool checked_each_frame;  // no redirect and no window manager: the fallback
static bool x_request_failed;

// Notes an X error instead of ending the game, for the one request that may be refused.
static int note_x_error(Display*, XErrorEvent*) {
  x_request_failed = true;
  return 0;
}

// True when a window manager holds the screen: it alone may redirect the root's children.
static bool window_manager_runs(Display* display) {
  XWindowAttributes root = {};
  if (!XGetWindowAttributes(display, DefaultRootWindow(display), &root)) return false;
  return (root.all_event_masks & SubstructureRedirectMask) != 0;
}
static bool window_manager_runs() {
  return window_manager_runs(x_display);
}

// True when the window is on an X screen that no window manager holds, so nobody
// answers a full-screen request: the window stays where and as large as it was made.
bool no_window_manager(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return false;
  return !window_manager_runs(info.info.x11.display);
}

// Adds or removes ResizeRedirect in the game's own event mask on its window; true when
// the server took it (only one client may hold it).
static bool select_resize_redirect(bool on) {
  XWindowAttributes attributes = {};
  if (!XGetWindowAttributes(x_display, x_window, &attributes)) return false;
  long mask = attributes.your_event_mask & ~ResizeRedirectMask;
  if (on) mask |= ResizeRedirectMask;
  XSync(x_display, False);
  x_request_failed = false;
  auto previous = XSetErrorHandler(note_x_error);
  XSelectInput(x_display, x_window, mask);
  XSync(x_display, False);
  XSetErrorHandler(previous);
  return !x_request_failed;
}

// Answers another client's resize with the size clamped to the largest the GL draws.
// A window manager started since then would answer our resize with its own, and so on for
// ever: once one runs, the redirect is dropped and the resize passes to it as it came.
static void answer_resize_request(const XResizeRequestEvent& request) {
  if (request.window != x_window) return;
  if (window_manager_runs()) resizes_redirected = !select_resize_redirect(false);
  XResizeWindow(x_display, x_window, std::min(request.width, largest_w),
                std::min(request.height, largest_h));
  XFlush(x_display);
}

// Sees the window system's raw events as SDL reads them; none is queued for the game.
static int filter_window_system_events(void*, SDL_Event* event) {
  if (event->type != SDL_SYSWMEVENT) return 1;
  const SDL_SysWMmsg* message = event->syswm.msg;
  if (message && message->subsystem == SDL_SYSWM_X11 &&
      message->msg.x11.event.type == ResizeRequest)
    answer_resize_request(message->msg.x11.event.xresizerequest);
  return 0;
}

// Takes the full-screen state SDL wrote on the window before it is mapped. A window manager
// would then map it full screen at once, and SDL's own full-screen request on showing would
// see nothing change and wait 100 ms; mapped plain, the request moves it and SDL goes on.
void map_window_plain(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  XDeleteProperty(display, info.info.x11.window, XInternAtom(display, "_NET_WM_STATE", False));
}

// Maps the window and waits until the window system has it mapped, asking again every
// 2 s (a window manager still starting may lose the first request), for at most
// deadline_ms or until a quit is asked for. False when it is still unmapped: SDL's own
// showing would then wait for it without end, and the game goes on without that wait.
bool map_window_in_time(SDL_Window* window, int deadline_ms) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return true;
  Display* display = info.info.x11.display;
  const ::Window window_id = info.info.x11.window;
  const Uint32 start = SDL_GetTicks();
  for (Uint32 asked = 0, waited = 0; waited < Uint32(deadline_ms);
       waited = SDL_GetTicks() - start) {
    if (asked == 0 || waited - asked >= 2000) {
      XMapRaised(display, window_id);
      asked = waited ? waited : 1;
    }
    XWindowAttributes attributes = {};
    if (!XGetWindowAttributes(display, window_id, &attributes)) return false;
    if (attributes.map_state != IsUnmapped) return true;
    if (quit_requested()) return false;
    SDL_Delay(10);
  }
  return false;
}

// Holds the shown window to at most width x height from now on, whoever resizes it.
void hold_window_size(SDL_Window* window, int width, int height) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  if (info.info.x11.window != x_window) resizes_redirected = checked_each_frame = false;
  x_display = info.info.x11.display;
  x_window = info.info.x11.window;
  largest_w = width, largest_h = height;
  if (window_manager_runs() || resizes_redirected) return;
  SDL_SetEventFilter(filter_window_system_events, nullptr);
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  resizes_redirected = select_resize_redirect(true);
  checked_each_frame = !resizes_redirected;
}

// Before a frame is drawn, when the redirect could not be had and no window manager runs:
// shrinks a window made too large back before the GL looks. This narrows the race with
// another client's resize without closing it.
void check_window_size() {
  if (!checked_each_frame) return;
  ::Window root;
  int x, y;
  unsigned w = 0, h = 0, border, depth;
  if (!XGetGeometry(x_display, x_window, &root, &x, &y, &w, &h, &border, &depth)) return;
  if (w <= unsigned(largest_w) && h <= unsigned(largest_h)) return;
  XResizeWindow(x_display, x_window, std::min(int(w), largest_w), std::min(int(h), largest_h));
  XSync(x_display, False);
}
