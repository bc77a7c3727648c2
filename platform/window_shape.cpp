// The picture's shape in any window: the game draws a 5:4 picture (1280 x 1024), as large as
// the window allows, centred, with black bars where the window's shape differs. And the
// switch between full screen and a window at any moment, which changes nothing in the game.
#include <SDL.h>

#include <algorithm>
#include <cstdint>

#include "platform/platform.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"

void fit_outer_size(int width, int height);
bool find_display_mode(int width, int height, SDL_DisplayMode* found);
bool no_window_manager(SDL_Window* window);

static int game_width = 1280, game_height = 1024;           // the size the game asked for
static int windowed_x, windowed_y, windowed_w, windowed_h;  // where the window was, 0: none

void PictureRect(int width, int height, int* x, int* y, int* picture_w, int* picture_h) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  // Wider than 5:4 the height sets the size, else the width; rounded to whole pixels.
  if (int64_t(width) * 4 >= int64_t(height) * 5) {
    *picture_h = height;
    *picture_w = std::max(1, int((int64_t(height) * 5 + 2) / 4));
  } else {
    *picture_w = width;
    *picture_h = std::max(1, int((int64_t(width) * 4 + 2) / 5));
  }
  *x = (width - *picture_w) / 2;
  *y = (height - *picture_h) / 2;
}

// The window's size for a windowed start on a display (0 the first): width x height where
// that fits the display's usable area, else the largest 5:4 size that does.
static void fit_window_to_screen(int* width, int* height, int display = 0) {
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(display, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return;
  if (*width <= usable.w && *height <= usable.h) return;
  int x, y;
  PictureRect(std::min(*width, usable.w), std::min(*height, usable.h), &x, &y, width, height);
}

// Notes the size the game asks for; a windowed start gets the size that fits the screen.
void size_for_start(int* width, int* height, bool full_screen) {
  game_width = *width, game_height = *height;
  windowed_w = windowed_h = 0;
  if (!full_screen) fit_window_to_screen(width, height);
}

// Full screen as at the start: the desktop as it is, the picture inside it with bars (with
// --change-mode the game's own display mode where the display has it). With no window
// manager to place a full-screen window, a borderless window over the screen is full screen.
static void enter_full_screen(SDL_Window* window) {
  SDL_GetWindowPosition(window, &windowed_x, &windowed_y);
  SDL_GetWindowSize(window, &windowed_w, &windowed_h);
  SDL_Rect screen;
  int display = std::max(0, SDL_GetWindowDisplayIndex(window));
  if (no_window_manager(window) && SDL_GetDisplayBounds(display, &screen) == 0) {
    SDL_SetWindowBordered(window, SDL_FALSE);
    SDL_SetWindowPosition(window, screen.x, screen.y);
    SDL_SetWindowSize(window, screen.w, screen.h);
  } else {
    SDL_DisplayMode mode;
    bool own_mode = change_display_mode && find_display_mode(game_width, game_height, &mode) &&
                    SDL_SetWindowDisplayMode(window, &mode) == 0 &&
                    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
    // Where the window system will not, the game plays on in its window.
    if (!own_mode && SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return;
  }
  SDL_ShowCursor(SDL_DISABLE);
  fullscreen = true;
}

// Back to a decorated window: where it was before, or, when the game started in full
// screen, the windowed start's size, centred on the display the game was shown on.
static void leave_full_screen(SDL_Window* window) {
  const int display = std::max(0, SDL_GetWindowDisplayIndex(window));
  // A full screen without a window manager may be a borderless window over the screen.
  if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) SDL_SetWindowFullscreen(window, 0);
  SDL_SetWindowBordered(window, SDL_TRUE);
  SDL_SetWindowResizable(window, SDL_TRUE);
  if (windowed_w > 0) {
    SDL_SetWindowSize(window, windowed_w, windowed_h);
    SDL_SetWindowPosition(window, windowed_x, windowed_y);
  } else {
    int w = game_width, h = game_height;
    fit_window_to_screen(&w, &h, display);
    SDL_SetWindowSize(window, w, h);
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    fit_outer_size(w, h);
  }
  SDL_ShowCursor(SDL_ENABLE);
  fullscreen = false;
}

// Alt+Enter and F11: full screen to window and back. The GL context, the textures and every
// record of the game stay as they are; only the picture's size follows.
void toggle_full_screen(SDL_Window* window) {
  if (!window) return;
  if (fullscreen)
    leave_full_screen(window);
  else
    enter_full_screen(window);
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window, &w, &h);
  ReSizeGLScene(w, h);
}
