// The one question SDL cannot answer for us: the game window's size on the X server now.
// Kept apart because the X headers' names clash with the game's own.
#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>

// Before a frame is drawn: with no window manager to hold the window to its largest size,
// the X server may already have made it larger than the GL can draw into before the size
// event reaches us, and the GL reads the size straight from the server (one frame at
// 32767 x 32767 crashes the software rasterizer). Shrinks it back before the GL looks.
void hold_window_size(SDL_Window* window, int max_side) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  ::Window root;
  int x, y;
  unsigned w = 0, h = 0, border, depth;
  if (!XGetGeometry(display, info.info.x11.window, &root, &x, &y, &w, &h, &border, &depth)) return;
  const unsigned side = max_side;
  if (w <= side && h <= side) return;
  XResizeWindow(display, info.info.x11.window, std::min(w, side), std::min(h, side));
  XSync(display, False);
}
