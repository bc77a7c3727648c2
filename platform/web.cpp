// The game in a web browser: what the X parts do on the desktop has no counterpart in a
// page, and what the page does for the game (full screen, showing how it ended) it is told
// here. Built only for the web, in place of window_x11.cpp and x_guard.cpp.
#include <SDL.h>
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/x_guard.h"

// A page has no window manager to ask: the browser places and sizes the canvas.
bool no_window_manager(SDL_Window*) {
  return false;
}
void map_window_plain(SDL_Window*) {}
bool map_window_in_time(SDL_Window*, int) {
  return true;
}
void hold_window_size(SDL_Window*, int, int) {}
void check_window_size() {}

// No X connection: nothing to drop, no X errors, no shading.
void drop_window_system_events(SDL_Window*) {}
void x_errors_begin() {}
const char* x_error_seen(SDL_Window*) {
  return nullptr;
}
void x_errors_end() {}
int shade_change(SDL_Window*, bool) {
  return -1;
}

// Tells the page the game is over: after Exit (0), or a failed start, whose reason the
// page shows from what the game printed.
void web_game_ended(int code) {
  EM_ASM(
      {
        if (Module.korvalenEnded) Module.korvalenEnded($0);
      },
      code);
}

// The page mounts the browser's storage over the settings folder and fills it before the
// game starts (packaging/web/shell.html); what the game writes there reaches the storage
// only when copied back.
void web_settings_saved() {
  EM_ASM({
    if (Module.korvalenSaveSettings) Module.korvalenSaveSettings();
  });
}

// The browser's C library finds a translation catalog through this, which as it comes maps
// no file at all and hands gettext a bad address (the English texts then crash the game):
// here the catalog is read whole into memory instead, as gettext only ever reads it.
extern "C" const unsigned char* __map_file(const char* path, size_t* size) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  unsigned char* bytes = nullptr;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0 && (length = std::ftell(file)) > 0 &&
      std::fseek(file, 0, SEEK_SET) == 0) {
    bytes = static_cast<unsigned char*>(std::malloc(length));
    if (bytes && std::fread(bytes, 1, length, file) != (size_t)length) {
      std::free(bytes);
      bytes = nullptr;
    }
  }
  std::fclose(file);
  if (bytes) *size = length;
  return bytes;
}
