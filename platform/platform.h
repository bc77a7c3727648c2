// The window, the GL context and the window messages, over SDL2.
// Nothing outside platform/ includes SDL: this header is the whole shell.
#pragma once

#include <string>

// Finds the installed data folder before anything is read (see state/data_files.h).
void locate_data_folder();

// Full screen is the desktop's own, the picture letterboxed; with this set (--change-mode) it
// asks the display for width x height, and where that mode is missing, whether to play in a
// window.
extern bool change_display_mode;
bool CreateGLWindow(const char* title, int width, int height, int bits, bool fullscreenflag);
// The window's title.
void SetWindowTitle(const char* title);
// Full screen to window and back, as F11 does.
void ToggleFullScreen();
void KillGLWindow();
void ReSizeGLScene(int width, int height);
// Where the 5:4 picture lies in a drawable of width x height: as large as fits, centred.
void PictureRect(int width, int height, int* x, int* y, int* picture_w, int* picture_h);
int InitGL();

// The game's own window messages. The shell turns SDL events into these,
// and WndProc handles them, so the handler can be driven without a window.
enum WindowMessage {
  WM_NULL,        // an event the game has no use for
  WM_ACTIVATE,    // wParam: nonzero when the window was minimised, 0 when shown again
  WM_CLOSE,       // the window's close button, Ctrl-C or SIGTERM
  WM_KEYDOWN,     // wParam: virtual-key code
  WM_KEYUP,       // wParam: virtual-key code
  WM_SYSKEYDOWN,  // wParam: virtual-key code of Alt, F10 or a key pressed with Alt
  WM_SIZE,        // width, height: the new drawable size in pixels
  WM_QUIT         // wParam: the exit code given to PostQuitMessage
};

struct MSG {
  WindowMessage message;
  int wParam;
  int width;
  int height;
};

// The window procedure: keys, active flag, close, size.
long WndProc(const MSG& msg);
// Queues the quit message; the main loop takes it as its last message.
void PostQuitMessage(int code);
// Takes one message without waiting; false when the queue is empty.
bool PeekMessageA(MSG* msg);
// Waits for the next message and takes it; false only when none can come.
bool GetMessageA(MSG* msg);
// Hands a message taken by PeekMessageA to the window procedure.
void DispatchMessageA(const MSG* msg);
// Presents the back buffer.
void SwapBuffers();

// This machine's key-down table, copied into keys[] before each frame. A key that goes down is held
// for the next frame at least: a key-up before any frame saw the key waits until that frame is over
// (KeysAfterFrame).
extern bool held_keys[256];  // KEY_CODES
// The keyboard and the pads hold keys side by side: a key is up once no device holds it.
// The pad playing player p holds its keys as KEY_HOLDER_KEYBOARD << p.
constexpr int KEY_HOLDER_KEYBOARD = 1;
void KeyDownBy(int vk, int holder);
void KeyUpBy(int vk, int holder);
// Who holds key vk for the next frame, taps that frame has not seen included: KEY_HOLDER_*
// bits, 0 when it is up.
int KeyHolders(int vk);
void KeyWentDown(int vk);  // the keyboard's
void KeyWentUp(int vk);
// After every frame: the waiting key-ups, then every key no device holds any more
// is let go, so a key-up the window system lost cannot leave a key down.
void KeysAfterFrame();

// Typing, for a screen that takes an address: while it is on, the characters typed on the
// keyboard (a pad types nothing) gather for TakeTypedText, as UTF-8, beside the key messages;
// Backspace is '\b' among them.
void TypingOn(bool on);
// What was typed since the last call, and forgets it.
std::string TakeTypedText();

// Gamepads (pads.cpp): each pad presses its player's keys in held_keys. Called after
// every frame: a pad lets go of the keys whose buttons it no longer holds.
void PadsLetGoOfReleasedControls();
// For the tests: virtual pads with the standard layout, plugged in and worked through
// SDL like real ones. Buttons and axes are numbered as SDL's game controllers number them.
enum PadButton {
  PAD_A = 0,
  PAD_B,
  PAD_X,
  PAD_Y,
  PAD_BACK,
  PAD_GUIDE,
  PAD_START,
  PAD_LEFTSTICK,
  PAD_RIGHTSTICK,
  PAD_LEFTSHOULDER,
  PAD_RIGHTSHOULDER,
  PAD_DPAD_UP,
  PAD_DPAD_DOWN,
  PAD_DPAD_LEFT,
  PAD_DPAD_RIGHT
};
enum PadAxis { PAD_LEFTX = 0, PAD_LEFTY };
// Plugs in a virtual pad; pads with the same product number are the same model, told
// apart only by the socket path when one is given. Returns its number for the calls
// below, or -1.
int TestPadPlug(int product, const char* path = nullptr);
void TestPadButton(int pad, PadButton button, bool down);
void TestPadAxis(int pad, PadAxis axis, int value);  // -32768 to 32767, up and left negative
void TestPadUnplug(int pad);

// Virtual-key code of a key as SDL names it (keycode, scancode); 0 when the
// game has no code for it. Key codes are plain ints so no SDL type leaks out.
int keymap_virtual_key(int sdl_keycode, int sdl_scancode);
// The message a key event becomes (WM_KEYDOWN, WM_SYSKEYDOWN, WM_KEYUP, or
// WM_NULL for a key the game has no code for).
MSG KeyMessage(int sdl_keycode, int sdl_scancode, bool down, bool alt_held);
// Virtual-key codes the shell treats specially.
constexpr int VK_MENU = 18;  // Alt
constexpr int VK_F10 = 121;

// Message boxes. Icons as the game uses them.
enum class BoxIcon { none, exclamation, stop, information };
// A failed start passes the reason: the box shows it on the line under the text, and standard
// error on the line under the box's line.
void MessageBoxA(const char* text, const char* caption, BoxIcon icon, const char* reason = nullptr);
// Yes/No question; true for Yes. Return answers Yes, Escape or closing No.
bool MessageBoxYesNo(const char* text, const char* caption, BoxIcon icon);
// A box owned by the game window (the image reader's reports).
void MessageBoxOwned(const char* text, const char* caption, BoxIcon icon);
// Test seam: when set, every box goes here instead of the screen and the
// hook's result answers a Yes/No question. Only tests set it.
using MessageBoxHook = bool (*)(const char* text, const char* caption, BoxIcon icon, bool yes_no);
extern MessageBoxHook message_box_hook;

// For the GL tests: a windowed 1280 x 1024 game window (never full screen,
// so no question is asked) with its context current and InitGL run on the
// images under the working directory. Same as the game's own start-up
// otherwise; false (after the same boxes) when anything fails.
bool OpenTestWindow();
// For the GL tests: a plain window with a current context and the game's
// projection, but without InitGL, for tests that load their own images.
bool OpenBareTestWindow(int width, int height);
// The drawable size of the open window in pixels.
void WindowDrawableSize(int* width, int* height);

// Asks the driver to pace frames to the display (with the context current).
void request_display_pacing();
// Frames unpaced again, as fast as they are drawn (the test and bench windows).
void stop_display_pacing();
// After each picture: where the driver does not pace pictures to the display, waits out the
// rest of a display refresh.
void PacePicture();

#ifdef __EMSCRIPTEN__
// The browser build (web.cpp): tells the page the game is over, 0 after Exit, else the exit
// code of a failed start, whose reason the page shows from what the game printed.
void web_game_ended(int code);
// Copies the settings folder, just written, to the browser's storage for the next visit.
void web_settings_saved();
#endif
