// x_key for the pad tests, kept apart from them: the X headers' names clash with the game's.
#include <X11/Xlib.h>

extern "C" int XTestFakeKeyEvent(Display*, unsigned, int, unsigned long);

void x_key(const char* keysym_name, bool down) {
  static Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  // The keys go to the window under the pointer: the game window from the screen's corner.
  static bool aimed = false;
  if (!aimed) {
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 100, 100);
    XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
    aimed = true;
  }
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, XStringToKeysym(keysym_name)), down, 0);
  XSync(display, False);
}
