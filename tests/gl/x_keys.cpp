// Kept apart from the tests: the X headers' names clash with the game's.
#include "tests/gl/x_keys.h"

#include <X11/Xlib.h>

extern "C" int XTestFakeKeyEvent(Display*, unsigned, int, unsigned long);

void x_key(const char* keysym_name, bool down) {
  static Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, XStringToKeysym(keysym_name)), down, 0);
  XSync(display, False);
}
