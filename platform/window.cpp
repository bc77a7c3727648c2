// The game window: display mode, GL context, projection, initial GL state,
// and the window messages that feed keys[] and active.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "flow/flag_grid.h"
#include "image/bmp.h"
#include "image/icon.h"
#include "platform/platform.h"
#include "platform/signals.h"
#include "platform/sound.h"
#include "platform/x_guard.h"
#include "render/render.h"
#include "state/data_files.h"
#include "state/language.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"

extern SDL_Window* box_owner_window;
void hold_window_size(SDL_Window* window, int width, int height);
void check_window_size();
bool no_window_manager(SDL_Window* window);
void map_window_plain(SDL_Window* window);
bool map_window_in_time(SDL_Window* window, int deadline_ms);
void start_pads();
void size_for_start(int* width, int* height, bool full_screen);
void toggle_full_screen(SDL_Window* window);
void pad_event(const SDL_Event& event);

bool change_display_mode;  // full screen in the game's own display mode (--change-mode)
static bool video_up;      // SDL video started: the window system is ours to use
static SDL_Window* hWnd;
static SDL_GLContext hRC;
// The quit request (platform/signals.cpp) is ours and not only an event: a flooded event
// queue drops events, never the request.
static int quit_code;
// The window's largest size: what the GL can draw into and the screens can show.
static int largest_width = 16384, largest_height = 16384;
// How long the start waits for the window system to show the window.
constexpr int WINDOW_MAP_DEADLINE_MS = 10000;

// The image reader's complaints go to a box above the game window.
static void bmp_report_box(const char* text) {
  MessageBoxOwned(text, "Error", BoxIcon::none);
}

// Shows one of the set-up failures; every one of them is an "ERROR" box. The reason
// SDL gives goes to standard error with it, taken before the box can overwrite it.
static void setup_error(const char* text) {
  std::string reason = SDL_GetError();
  MessageBoxA(text, "ERROR", BoxIcon::exclamation, reason.c_str());
}

// True when the display can take width x height at 24 bits or more; SDL never
// refuses a mode, it quietly picks another, so only an exact entry counts.
bool find_display_mode(int width, int height, SDL_DisplayMode* found) {
  int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; i++) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
    if (mode.w == width && mode.h == height && SDL_BITSPERPIXEL(mode.format) >= 24) {
      *found = mode;
      return true;
    }
  }
  return false;
}

// Asks whether to play in a window when the full-screen mode is missing.
static bool ask_windowed() {
  bool yes =
      MessageBoxYesNo(tr("Tvoja Video karta pri tomto rozliseni nepodporuje \n"
                         "spustenie na celu obrazovku. Chces pouzit zobrazenie bez fullscreenu?"),
                      "Tarvo GL", BoxIcon::exclamation);
  if (yes) {
    MessageBoxA(tr("Maximalizuj okno. /n Zobrazenie moze byt rozhadzane."), tr("UPOZORNENIE"),
                BoxIcon::exclamation);
  } else {
    MessageBoxA(tr("Program sa zatvori."), tr("OZNAM"), BoxIcon::stop);
  }
  return yes;
}

// The pixel format: 8-8-8 colour, a 16-bit depth buffer, double buffered,
// legacy GL. These are minimums; a richer visual is welcome.
static void request_pixel_format() {
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
#ifdef __EMSCRIPTEN__
  // WebGL 1, which emscripten's legacy-GL emulation draws the game's GL calls with.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
#else
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
#endif
}

// The outer size the windowed fallback still has to be fitted to; 0 once it is.
static int fit_width, fit_height;

// Fits the window's outer size to width x height once its borders are known.
void fit_outer_size(int width, int height) {
  fit_width = width, fit_height = height;
}

// A decorated window's frame counts in its size: once the window manager has told
// its borders (they arrive with the first events after showing, not at once), shrink
// the inside so the whole window is the size asked for. Done once; without a window
// manager there are no borders and the inside keeps that size.
static void fit_outer_size_once_known() {
  if (!fit_width || !hWnd) return;
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(hWnd, &top, &left, &bottom, &right) != 0) return;
  if (top + left + bottom + right == 0) return;
  int inner_w = fit_width - left - right;
  int inner_h = fit_height - top - bottom;
  fit_width = fit_height = 0;
  if (inner_w > 0 && inner_h > 0) SDL_SetWindowSize(hWnd, inner_w, inner_h);
}

// True when the X server refused a request of the window's creation; the start fails
// with the error as its reason.
static bool x_failed() {
  const char* error = x_error_seen(hWnd);
  if (error) SDL_SetError("%s", error);
  return error != nullptr;
}

// SDL falls back to drawing off screen when no display answers; a game
// nobody can see is a failed start, unless that driver was asked for.
static bool has_screen() {
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
  if (!driver) return false;
  bool headless = strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0;
  return !headless || (wanted && strcmp(wanted, driver) == 0);
}

// Sees the close button and the quit event as SDL makes them, before they are queued,
// so a full queue cannot lose them. Until the loop takes a quit, whatever the window system
// still holds for the game is dropped: a flood of key events would otherwise be read first.
static int watch_quit(void*, SDL_Event* event) {
  if (event->type == SDL_QUIT ||
      (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_CLOSE))
    request_quit();
  if (quit_pending()) drop_window_system_events(hWnd);
  return 1;
}

// Starts the window system: the old class registration. A display that is
// there can still miss one connection (a busy X server), so a start that
// lands on no screen is tried again a few times before it counts as failed.
static bool start_video() {
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  for (int attempt = 0; !video_up && attempt < 5; attempt++) {
    if (attempt > 0) SDL_Delay(200);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) continue;
    if (has_screen()) {
      video_up = true;
      SDL_AddEventWatch(watch_quit, nullptr);
      SDL_StopTextInput();  // no typing in the game: a key is only ever a key
      break;
    }
    std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "none";
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_SetError("no display to open the window on (only the %s video driver started)",
                 driver.c_str());
  }
  if (!video_up) {
    setup_error("Failed To Register The Window Class.");
    return false;
  }
  SDL_DisableScreenSaver();
  start_pads();
  return true;
}

// The bounding box of every screen, which a window larger than is never seen whole.
static SDL_Rect all_screens() {
  SDL_Rect box = {0, 0, 0, 0};
  for (int i = 0; i < SDL_GetNumVideoDisplays(); i++) {
    SDL_Rect screen;
    if (SDL_GetDisplayBounds(i, &screen) == 0) SDL_UnionRect(&box, &screen, &box);
  }
  return box;
}

// Holds the window to what the GL can draw into and the screens show, but never below the
// size the game asked for (width x height): a larger drawable costs the software
// rasterizer gigabytes, or crashes it. Tells the image reader the largest texture.
static void take_gl_limits(int width, int height) {
  GLint dims[2] = {0, 0}, texture_side = 0;
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture_side);
  int gl_side = std::min(dims[0], dims[1]);
  gl_side = gl_side > 0 && gl_side < 16384 ? gl_side : 16384;
  SDL_Rect screens = all_screens();
  largest_width = std::min(gl_side, std::max(width, screens.w));
  largest_height = std::min(gl_side, std::max(height, screens.h));
  SDL_SetWindowMaximumSize(hWnd, largest_width, largest_height);
  bmp_gl_max_side = texture_side;
}

// A window made larger than that (no window manager holds it to its largest size) is
// shrunk back at once; the size message carries what the GL draws.
static void size_message(MSG* msg) {
  msg->message = WM_SIZE;
  int w = 0, h = 0;
  SDL_GetWindowSize(hWnd, &w, &h);
  if (w > largest_width || h > largest_height)
    SDL_SetWindowSize(hWnd, std::min(w, largest_width), std::min(h, largest_height));
  SDL_GL_GetDrawableSize(hWnd, &msg->width, &msg->height);
  msg->width = std::min(msg->width, largest_width);
  msg->height = std::min(msg->height, largest_height);
}

// Full screen on an X server no window manager holds, whose screen already shows the
// mode asked for (always so for the desktop's own full screen): a borderless window over the
// whole screen is all full screen is there. SDL's own full-screen request would wait 100 ms
// on showing, and again on leaving, for a window manager's answer that never comes.
// Anywhere else SDL's full screen stays.
static void cover_screen_without_window_manager(const SDL_DisplayMode& mode) {
  SDL_DisplayMode desktop;
  SDL_Rect screen;
  if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || SDL_GetDisplayBounds(0, &screen) != 0) return;
  if (desktop.w != mode.w || desktop.h != mode.h || desktop.format != mode.format ||
      desktop.refresh_rate != mode.refresh_rate || !no_window_manager(hWnd))
    return;
  SDL_SetWindowFullscreen(hWnd, 0);  // still hidden: nothing to wait for
  SDL_SetWindowBordered(hWnd, SDL_FALSE);
  SDL_SetWindowSize(hWnd, screen.w, screen.h);
  if (screen.x != 0 || screen.y != 0) SDL_SetWindowPosition(hWnd, screen.x, screen.y);
}

// Window, context, show, projection: the set-up up to InitGL. Full screen covers the
// display as it is, the picture letterboxed in it: no mode changes, so nothing can be left
// in another mode, and nothing need be asked. Only --change-mode asks the display for the
// game's own mode, and where it has none, whether to play in a window.
static bool open_window(const char* title, int width, int height) {
  SDL_DisplayMode mode = {};
  bool own_mode = fullscreen && change_display_mode;
  if (own_mode && !find_display_mode(width, height, &mode)) {
    if (!ask_windowed()) return false;
    fullscreen = own_mode = false;
  }
  if (fullscreen && !own_mode && SDL_GetDesktopDisplayMode(0, &mode) != 0) mode = {};

  request_pixel_format();
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (!fullscreen)
    flags |= SDL_WINDOW_RESIZABLE;
  else
    flags |= own_mode ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP;
  hWnd = SDL_CreateWindow(title, 0, 0, width, height, flags);
  if (hWnd && own_mode && SDL_SetWindowDisplayMode(hWnd, &mode) != 0) {
    SDL_DestroyWindow(hWnd);
    hWnd = nullptr;
  }
  if (hWnd && fullscreen) cover_screen_without_window_manager(mode);
  if (hWnd && (SDL_GetWindowFlags(hWnd) & SDL_WINDOW_FULLSCREEN)) map_window_plain(hWnd);
  if (!hWnd || x_failed()) {
    KillGLWindow();
    setup_error("Window Creation Error.");
    return false;
  }
  box_owner_window = hWnd;
  bmp_report = bmp_report_box;
  if (fullscreen) SDL_ShowCursor(SDL_DISABLE);

  hRC = SDL_GL_CreateContext(hWnd);
  if (!hRC || x_failed()) {
    KillGLWindow();
    setup_error("Can't Create A GL Rendering Context.");
    return false;
  }
  if (SDL_GL_MakeCurrent(hWnd, hRC) != 0 || x_failed()) {
    KillGLWindow();
    setup_error("Can't Activate The GL Rendering Context.");
    return false;
  }
  take_gl_limits(width, height);
  request_display_pacing();

  // A window manager that never maps the window must not hold the start for ever: after
  // the deadline the game goes on, and SDL takes the window as shown once it is mapped.
  if (map_window_in_time(hWnd, WINDOW_MAP_DEADLINE_MS))
    SDL_ShowWindow(hWnd);
  else if (!quit_requested())
    fprintf(stderr,
            "korvalen: the window system has not shown the window after %d s; "
            "the game goes on and appears when it does\n",
            WINDOW_MAP_DEADLINE_MS / 1000);
  SDL_RaiseWindow(hWnd);
  hold_window_size(hWnd, largest_width, largest_height);
  if (own_mode) {
    // The mode switch happens on showing; a display that gave another size failed.
    int w = 0, h = 0;
    SDL_GetWindowSize(hWnd, &w, &h);
    if (w != width || h != height) {
      SDL_SetError("the display gave %d x %d instead of %d x %d", w, h, width, height);
      KillGLWindow();
      setup_error("Window Creation Error.");
      return false;
    }
  } else if (!fullscreen) {
    fit_width = width, fit_height = height;
    SDL_PumpEvents();
    fit_outer_size_once_known();
  }

  int drawable_w = 0, drawable_h = 0;
  SDL_GL_GetDrawableSize(hWnd, &drawable_w, &drawable_h);
  ReSizeGLScene(drawable_w, drawable_h);
  return true;
}

// Gives the window the game's icon, painted from the menu flag like the desktop's.
static void set_window_icon() {
  const int size = 64;
  AUX_RGBImageRec* flag = bmp_read_file(data_file_path("Data/system/001.bmp").c_str());
  if (!flag) return;
  static unsigned char rgba[size * size * 4];
  icon_from_flag(*flag, size, rgba);
  bmp_free(flag);
  SDL_Surface* icon =
      SDL_CreateRGBSurfaceWithFormatFrom(rgba, size, size, 32, size * 4, SDL_PIXELFORMAT_RGBA32);
  if (!icon) return;
  SDL_SetWindowIcon(hWnd, icon);
  SDL_FreeSurface(icon);
}

// The box of the start step under way: memory running out in it fails the start with it.
static const char* start_step_box;

// Video, window, context, textures and GL state, each step failing with its own box.
static bool open_everything(const char* title, int width, int height) {
  start_step_box = "Failed To Register The Window Class.";
  if (!start_video()) return false;
  size_for_start(&width, &height, fullscreen);
  x_errors_begin();
  start_step_box = "Window Creation Error.";
  if (!open_window(title, width, height)) return false;
  startup_step("window");
  start_step_box = "Initialization Failed.";
  if (!InitGL()) {
    KillGLWindow();
    SDL_SetError("%s", texture_load_failure());
    setup_error("Initialization Failed.");
    return false;
  }
  set_window_icon();
  return true;
}

// Opens the game window and its GL context and sets up everything drawn.
bool CreateGLWindow(const char* title, int width, int height, int bits, bool fullscreenflag) {
  (void)bits;  // the pixel format asks for 8-8-8 whatever the desktop depth
  fullscreen = fullscreenflag;
  bool opened = false;
  try {
    opened = open_everything(title, width, height);
  } catch (const std::bad_alloc&) {
    KillGLWindow();
    SDL_SetError("out of memory");
    setup_error(start_step_box);
  }
  x_errors_end();
  return opened;
}

// Gives back the display mode, the context and the window, in reverse order.
void KillGLWindow() {
  if (fullscreen && hWnd) SDL_SetWindowFullscreen(hWnd, 0);
  if (video_up) SDL_ShowCursor(SDL_ENABLE);
  if (hRC) {
    if (SDL_GL_MakeCurrent(hWnd, nullptr) != 0)
      MessageBoxA("Release Of DC And RC Failed.", "SHUTDOWN ERROR", BoxIcon::information);
    SDL_GL_DeleteContext(hRC);
    hRC = nullptr;
    base = 0;  // the font's lists went with the context
  }
  if (hWnd) {
    SDL_DestroyWindow(hWnd);
    hWnd = nullptr;
    box_owner_window = nullptr;
  }
  // SDL video stays up until the process ends: starting it a second time
  // after a shut-down now and then misses the X display and lands off screen.
}

// Viewport and the 45-degree perspective for a drawable of width x height: the 5:4 picture
// as large as fits, centred; the frame's clear paints the bars black.
void ReSizeGLScene(int width, int height) {
  int x, y;
  PictureRect(width, height, &x, &y, &width, &height);
  glViewport(x, y, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, (GLfloat)width / (GLfloat)height, 0.1f, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// Loads the textures and sets the GL state every screen starts from.
int InitGL() {
  if (!LoadGLTextures()) return false;
  timer.end = true;
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_LIGHT0);
#ifndef __EMSCRIPTEN__
  // The browser's GL emulation ignores the colour material, so lit surfaces would come out
  // near black: there the colours are drawn as they are, unlit.
  glEnable(GL_LIGHTING);
#endif
  glEnable(GL_BLEND);
  glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_COLOR_MATERIAL);
  BuildFont();
  startup_step("font");
  glLightfv(GL_LIGHT1, GL_AMBIENT, LightAmbient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
  glLightfv(GL_LIGHT1, GL_POSITION, LightPosition);
  glEnable(GL_LIGHT1);
  flag_grid_init();
  return true;
}

// The window procedure: what each message does to the game's state.
long WndProc(const MSG& msg) {
  switch (msg.message) {
    case WM_ACTIVATE:
      active = msg.wParam == 0;
      sound_window_active(active);
      return 0;
    case WM_CLOSE: PostQuitMessage(0); return 0;
    case WM_KEYDOWN: KeyWentDown(msg.wParam); return 0;
    case WM_KEYUP: KeyWentUp(msg.wParam); return 0;
    case WM_SIZE: ReSizeGLScene(msg.width, msg.height); return 0;
    default: return 0;  // system keys and the rest are not the game's business
  }
}

// Queues the quit message; the loop ends when it takes it.
void PostQuitMessage(int code) {
  quit_code = code;
  request_quit();
}

// The message of one key event: Alt, F10 and anything pressed with Alt are
// system keys the game never sees go down; every key up clears, so nothing sticks.
MSG KeyMessage(int sdl_keycode, int sdl_scancode, bool down, bool alt_held) {
  MSG msg = {WM_NULL, 0, 0, 0};
  int vk = keymap_virtual_key(sdl_keycode, sdl_scancode);
  if (vk == 0) return msg;
  msg.wParam = vk;
  if (!down)
    msg.message = WM_KEYUP;
  else if (vk == VK_MENU || vk == VK_F10 || alt_held)
    msg.message = WM_SYSKEYDOWN;
  else
    msg.message = WM_KEYDOWN;
  return msg;
}

// Alt+Enter and F11 switch between full screen and a window: the shell's keys, never the
// game's (F11 is not recorded at all; Enter with Alt is a system key anyway).
static bool full_screen_key(const SDL_Event& event) {
  SDL_Keycode sym = event.key.keysym.sym;
  bool enter = sym == SDLK_RETURN || sym == SDLK_KP_ENTER;
  bool toggle = sym == SDLK_F11 || (enter && (event.key.keysym.mod & KMOD_ALT));
#ifdef __EMSCRIPTEN__
  // In a browser the page answers them: a browser grants full screen only inside the key's
  // own handler, which has run before the game sees the key.
  toggle = false;
#endif
  if (toggle && event.type == SDL_KEYDOWN && !event.key.repeat) toggle_full_screen(hWnd);
  return sym == SDLK_F11;
}

void SetWindowTitle(const char* title) {
  if (hWnd) SDL_SetWindowTitle(hWnd, title);
}

void ToggleFullScreen() {
  toggle_full_screen(hWnd);
}

// F8 mutes and unmutes: the shell's key, never the game's (never recorded, never in keys[]).
static bool mute_key(const SDL_Event& event) {
  if (event.key.keysym.sym != SDLK_F8) return false;
  if (event.type == SDL_KEYDOWN && !event.key.repeat) sound_toggle_mute();
  return true;
}

constexpr std::size_t TYPED_TEXT_MAX = 1024;  // far more than a picture's worth of typing
static std::string typed_text;
static bool typing;

void TypingOn(bool on) {
  if (on == typing || !video_up) return;
  typing = on;
  typed_text.clear();
  if (on)
    SDL_StartTextInput();
  else
    SDL_StopTextInput();
}

std::string TakeTypedText() {
  std::string text;
  text.swap(typed_text);
  return text;
}

// Turns one SDL event into the game's message; WM_NULL for the rest.
static MSG translate_event(const SDL_Event& event) {
  MSG msg = {WM_NULL, 0, 0, 0};
  switch (event.type) {
    case SDL_QUIT:  // the last window closed, Ctrl-C, SIGTERM
      msg.message = WM_CLOSE;
      break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: msg.message = WM_CLOSE; break;
#ifdef __EMSCRIPTEN__
        // a page's hidden tab is its minimised window: SDL tells of it as hidden
        case SDL_WINDOWEVENT_HIDDEN:
#endif
        case SDL_WINDOWEVENT_MINIMIZED:
          msg.message = WM_ACTIVATE;
          msg.wParam = 1;
          break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SHOWN: msg.message = WM_ACTIVATE; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: size_message(&msg); break;
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (full_screen_key(event) || mute_key(event)) break;
      // Backspace erases in its place among the characters typed, repeats too
      if (typing && event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_BACKSPACE &&
          typed_text.size() < TYPED_TEXT_MAX)
        typed_text += '\b';
      msg = KeyMessage(event.key.keysym.sym, event.key.keysym.scancode, event.type == SDL_KEYDOWN,
                       (event.key.keysym.mod & KMOD_ALT) != 0);
      break;
    case SDL_TEXTINPUT:
      if (typed_text.size() < TYPED_TEXT_MAX) typed_text += event.text.text;
      break;
    case SDL_AUDIODEVICEREMOVED: sound_device_removed(event.adevice.iscapture); break;
    default: pad_event(event); break;  // a pad presses its player's keys itself
  }
  return msg;
}

// Takes one message without waiting: the quit message first once posted.
bool PeekMessageA(MSG* msg) {
  if (take_quit_request()) {
    *msg = {WM_QUIT, quit_code, 0, 0};
    return true;
  }
  SDL_Event event;
  if (!video_up) return false;
  int shaded = shade_change(hWnd, active);
  if (shaded >= 0) {
    *msg = {WM_ACTIVATE, shaded, 0, 0};
    return true;
  }
  fit_outer_size_once_known();
  if (!SDL_PollEvent(&event)) {
    check_window_size();  // a frame follows at once
    return false;
  }
  *msg = translate_event(event);
  return true;
}

// Waits for one message: what the loop does while the window is minimised.
// The wait wakes now and then, since a quit request from a signal posts no event.
bool GetMessageA(MSG* msg) {
  while (!PeekMessageA(msg)) {
    SDL_Event event;
    if (!video_up) {
      SDL_Delay(10);  // no window system to wait on: do not spin
      return false;
    }
    if (SDL_WaitEventTimeout(&event, 100)) {
      *msg = translate_event(event);
      return true;
    }
  }
  return true;
}

// Hands a message to the window procedure.
void DispatchMessageA(const MSG* msg) {
  WndProc(*msg);
}

// Shows the frame just drawn.
void SwapBuffers() {
  if (hWnd) SDL_GL_SwapWindow(hWnd);
}

// The test window: the game's own set-up, windowed.
bool OpenTestWindow() {
  if (!CreateGLWindow("Korvalen", 1280, 1024, 32, false)) return false;
  stop_display_pacing();
  return true;
}

// A window with a current context and the projection, without the textures.
bool OpenBareTestWindow(int width, int height) {
  fullscreen = false;
  if (!start_video() || !open_window("Korvalen", width, height)) return false;
  stop_display_pacing();
  return true;
}

// The drawable size of the game window in pixels.
void WindowDrawableSize(int* width, int* height) {
  *width = *height = 0;
  if (hWnd) SDL_GL_GetDrawableSize(hWnd, width, height);
}
