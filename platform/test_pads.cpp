// Virtual pads for the tests: SDL plugs them in like real devices, so their buttons come to
// the game as the same events through the same event handling.
#include <SDL.h>

#include <string>

#include "platform/platform.h"

static SDL_Joystick* test_pads[8];
static std::string test_paths[8];  // SDL gives virtual pads no socket: the tests name one

// The joystick index a virtual pad has now (indices move as devices come and go).
static int device_index_of(SDL_Joystick* joystick) {
  SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
  for (int i = 0; i < SDL_NumJoysticks(); i++)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
  return -1;
}

// The socket a test pad was given, for the game's pad of the same device; null for others.
const char* test_pad_path(SDL_Joystick* joystick) {
  SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
  for (int n = 0; n < 8; n++)
    if (test_pads[n] && SDL_JoystickInstanceID(test_pads[n]) == id && !test_paths[n].empty())
      return test_paths[n].c_str();
  return nullptr;
}

int TestPadPlug(int product, const char* path) {
  for (int n = 0; n < 8; n++) {
    if (test_pads[n]) continue;
    SDL_VirtualJoystickDesc desc = {};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.vendor_id = 0x4b56;
    desc.product_id = product;
    desc.name = "Korvalen test pad";
    int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return -1;
    test_pads[n] = SDL_JoystickOpen(index);
    test_paths[n] = path ? path : "";
    return test_pads[n] ? n : -1;
  }
  return -1;
}

void TestPadButton(int pad, PadButton button, bool down) {
  SDL_JoystickSetVirtualButton(test_pads[pad], button, down);
}

void TestPadAxis(int pad, PadAxis axis, int value) {
  SDL_JoystickSetVirtualAxis(test_pads[pad], axis, value);
}

void TestPadUnplug(int pad) {
  int index = device_index_of(test_pads[pad]);
  SDL_JoystickClose(test_pads[pad]);
  test_pads[pad] = nullptr;
  if (index >= 0) SDL_JoystickDetachVirtual(index);
}
