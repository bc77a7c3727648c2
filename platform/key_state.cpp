// What this machine's keyboard and pads hold, as the frames will see it. The loop copies it
// into keys[] before each frame, beside the other input sources. keys[] is read once a frame,
// so a key pressed and let go between two frames would leave no trace; and a flooded window
// system drops key-ups, which would leave a key down for good. Both are made good here.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "platform/platform.h"
#include "state/lybrary3.h"

bool held_keys[KEY_CODES];
static unsigned char holders[KEY_CODES];     // who holds each key: KEY_HOLDER_* bits
static bool down_unseen[KEY_CODES];          // went down since the last frame
static bool up_waiting[KEY_CODES];           // let go before any frame saw it down
static unsigned char pressed_by[KEY_CODES];  // who pressed each key since the last frame

static bool valid_key(int vk) {
  return vk > 0 && vk < KEY_CODES;
}

// A key goes down on one device: held from now on, and for the next frame at least.
void KeyDownBy(int vk, int holder) {
  if (!valid_key(vk)) return;
  holders[vk] |= holder;
  pressed_by[vk] |= holder;
  held_keys[vk] = true;
  down_unseen[vk] = true;
  up_waiting[vk] = false;
}

// A device lets a key go. The key stays down while another device holds it; a tap no
// frame has seen yet is let go after the next frame.
void KeyUpBy(int vk, int holder) {
  if (!valid_key(vk)) return;
  holders[vk] &= ~holder;
  if (holders[vk]) return;
  if (down_unseen[vk])
    up_waiting[vk] = true;
  else
    held_keys[vk] = false;
}

void KeyWentDown(int vk) {
  KeyDownBy(vk, KEY_HOLDER_KEYBOARD);
}

void KeyWentUp(int vk) {
  KeyUpBy(vk, KEY_HOLDER_KEYBOARD);
}

int KeyHolders(int vk) {
  if (!valid_key(vk) || !held_keys[vk]) return 0;
  int who = holders[vk] | pressed_by[vk];
  return who ? who : KEY_HOLDER_KEYBOARD;
}

// Lets go of every key no device holds any more: the keyboard is asked for its own state,
// each pad for its controls, so a key-up the window system lost cannot leave a key down.
static void release_keys_not_held() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  bool held[KEY_CODES] = {};
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  for (int scancode = 0; scancode < count; scancode++) {
    if (!state[scancode]) continue;
    int vk = keymap_virtual_key(SDL_GetKeyFromScancode((SDL_Scancode)scancode), scancode);
    if (valid_key(vk)) held[vk] = true;
  }
  for (int vk = 1; vk < KEY_CODES; vk++)
    if (!held[vk]) holders[vk] &= ~KEY_HOLDER_KEYBOARD;
  PadsLetGoOfReleasedControls();
  for (int vk = 1; vk < KEY_CODES; vk++)
    if (!holders[vk]) held_keys[vk] = false;
}

// The frames that have read the keys, for a test's driver: a key let go and pressed again
// before any frame read it was never let go for the game, so the tests wait for a frame
// between the two. The page counts in Module.korvalenKeyFrames; the desktop game, when
// KORVALEN_KEY_FRAMES names a file, writes its count there.
static void count_key_frame() {
#ifdef __EMSCRIPTEN__
  EM_ASM({ Module.korvalenKeyFrames = (Module.korvalenKeyFrames || 0) + 1; });
#else
  static FILE* const file = [] {
    const char* path = std::getenv("KORVALEN_KEY_FRAMES");
    return path ? std::fopen(path, "w") : nullptr;
  }();
  static long long frames = 0;
  if (!file) return;
  // the count only grows, so each write covers the last one whole
  std::rewind(file);
  std::fprintf(file, "%lld\n", ++frames);
  std::fflush(file);
#endif
}

// The frame has seen every key that went down: the taps it saw are over now.
void KeysAfterFrame() {
  count_key_frame();
  for (int vk = 1; vk < KEY_CODES; vk++) {
    if (up_waiting[vk]) held_keys[vk] = false;
    up_waiting[vk] = false;
    down_unseen[vk] = false;
    pressed_by[vk] = 0;
  }
  release_keys_not_held();
}
