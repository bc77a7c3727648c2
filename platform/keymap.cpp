// The keyboard table: SDL keys to the virtual-key codes the game reads in keys[].
// Raw SDL codes never reach the game; a key missing here is simply not recorded.
#include <SDL.h>

#include "platform/platform.h"
#include "state/bindings.h"

struct ScanToVk {
  SDL_Scancode scancode;
  int vk;
};

// Keys named by their place on the keyboard, whatever the layout prints on them.
static const ScanToVk scan_table[] = {
    // Top-row digits: the same code on every layout, like the game always had.
    {SDL_SCANCODE_1, 49},
    {SDL_SCANCODE_2, 50},
    {SDL_SCANCODE_3, 51},
    {SDL_SCANCODE_4, 52},
    {SDL_SCANCODE_5, 53},
    {SDL_SCANCODE_6, 54},
    {SDL_SCANCODE_7, 55},
    {SDL_SCANCODE_8, 56},
    {SDL_SCANCODE_9, 57},
    {SDL_SCANCODE_0, 48},
    // Keypad.
    {SDL_SCANCODE_KP_0, 96},
    {SDL_SCANCODE_KP_1, 97},
    {SDL_SCANCODE_KP_2, 98},
    {SDL_SCANCODE_KP_3, 99},
    {SDL_SCANCODE_KP_4, 100},
    {SDL_SCANCODE_KP_5, 101},
    {SDL_SCANCODE_KP_6, 102},
    {SDL_SCANCODE_KP_7, 103},
    {SDL_SCANCODE_KP_8, 104},
    {SDL_SCANCODE_KP_9, 105},
    {SDL_SCANCODE_KP_MULTIPLY, 106},
    {SDL_SCANCODE_KP_PLUS, VK_PAD_PLUS},
    {SDL_SCANCODE_KP_MINUS, VK_PAD_MINUS},
    {SDL_SCANCODE_KP_PERIOD, 110},
    {SDL_SCANCODE_KP_DIVIDE, 111},
    {SDL_SCANCODE_KP_ENTER, VK_ENTER},
    // Editing and control keys.
    {SDL_SCANCODE_BACKSPACE, 8},
    {SDL_SCANCODE_TAB, 9},
    {SDL_SCANCODE_RETURN, VK_ENTER},
    {SDL_SCANCODE_RETURN2, VK_ENTER},
    {SDL_SCANCODE_LSHIFT, 16},
    {SDL_SCANCODE_RSHIFT, 16},
    {SDL_SCANCODE_LCTRL, 17},
    {SDL_SCANCODE_RCTRL, 17},
    {SDL_SCANCODE_LALT, VK_MENU},
    {SDL_SCANCODE_RALT, VK_MENU},
    {SDL_SCANCODE_PAUSE, 19},
    {SDL_SCANCODE_CAPSLOCK, 20},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE},
    {SDL_SCANCODE_SPACE, VK_SPACE},
    {SDL_SCANCODE_PAGEUP, 33},
    {SDL_SCANCODE_PAGEDOWN, 34},
    {SDL_SCANCODE_END, 35},
    {SDL_SCANCODE_HOME, 36},
    {SDL_SCANCODE_LEFT, VK_LEFT},
    {SDL_SCANCODE_UP, VK_UP},
    {SDL_SCANCODE_RIGHT, VK_RIGHT},
    {SDL_SCANCODE_DOWN, VK_DOWN},
    {SDL_SCANCODE_PRINTSCREEN, 44},
    {SDL_SCANCODE_INSERT, 45},
    {SDL_SCANCODE_DELETE, 46},
    {SDL_SCANCODE_LGUI, 91},
    {SDL_SCANCODE_RGUI, 92},
    {SDL_SCANCODE_APPLICATION, 93},
    {SDL_SCANCODE_NUMLOCKCLEAR, 144},
    {SDL_SCANCODE_SCROLLLOCK, 145},
    // Function keys.
    {SDL_SCANCODE_F1, 112},
    {SDL_SCANCODE_F2, 113},
    {SDL_SCANCODE_F3, 114},
    {SDL_SCANCODE_F4, 115},
    {SDL_SCANCODE_F5, 116},
    {SDL_SCANCODE_F6, 117},
    {SDL_SCANCODE_F7, 118},
    {SDL_SCANCODE_F8, 119},
    {SDL_SCANCODE_F9, 120},
    {SDL_SCANCODE_F10, VK_F10},
    {SDL_SCANCODE_F11, 122},
    {SDL_SCANCODE_F12, 123},
    // Punctuation keys, by their US places.
    {SDL_SCANCODE_SEMICOLON, 186},
    {SDL_SCANCODE_EQUALS, VK_PLUS},
    {SDL_SCANCODE_COMMA, 188},
    {SDL_SCANCODE_MINUS, VK_MINUS},
    {SDL_SCANCODE_PERIOD, 190},
    {SDL_SCANCODE_SLASH, 191},
    {SDL_SCANCODE_GRAVE, 192},
    {SDL_SCANCODE_LEFTBRACKET, 219},
    {SDL_SCANCODE_BACKSLASH, 220},
    {SDL_SCANCODE_RIGHTBRACKET, 221},
    {SDL_SCANCODE_APOSTROPHE, 222},
    {SDL_SCANCODE_NONUSBACKSLASH, 226},
};

// Letters follow the current layout (Z and Y swap places on a Slovak keyboard,
// and the players' keys go with the printed letters). A layout without Latin
// letters falls back to the key's place, so every letter key still plays.
int keymap_virtual_key(int sdl_keycode, int sdl_scancode) {
  if (sdl_keycode >= 'a' && sdl_keycode <= 'z') return sdl_keycode - 'a' + 'A';
  bool letter_place = sdl_scancode >= SDL_SCANCODE_A && sdl_scancode <= SDL_SCANCODE_Z;
  if (letter_place && (sdl_keycode < 32 || sdl_keycode > 127))
    return 'A' + (sdl_scancode - SDL_SCANCODE_A);
  for (const ScanToVk& entry : scan_table)
    if (entry.scancode == sdl_scancode) return entry.vk;
  return 0;
}
