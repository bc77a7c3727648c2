// Message boxes: every failure the shell or the image reader reports goes
// through here, as a real box with the game's exact text and caption.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/signals.h"

MessageBoxHook message_box_hook = nullptr;

// The game window, owner of the image reader's boxes (null before it opens).
SDL_Window* box_owner_window = nullptr;

static Uint32 box_flags(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::stop: return SDL_MESSAGEBOX_ERROR;
    case BoxIcon::information: return SDL_MESSAGEBOX_INFORMATION;
    case BoxIcon::exclamation: return SDL_MESSAGEBOX_WARNING;
    default: return 0;
  }
}

// The game tests set KORVALEN_BOXES=stderr so a failed start cannot hang
// them on a box nobody will answer: boxes are only printed, questions answer No.
static bool boxes_to_stderr() {
  const char* mode = getenv("KORVALEN_BOXES");
  return mode && strcmp(mode, "stderr") == 0;
}

// Writes a box as one line on standard error ("korvalen: CAPTION: TEXT"), so a player
// in a terminal, or a bug report, sees it even when no box can be shown.
static void box_line(const char* text, const char* caption) {
  std::string line = text;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  while (!line.empty() && line.back() == ' ') line.pop_back();
  fprintf(stderr, "korvalen: %s: %s\n", caption, line.c_str());
}

// Shows one box; returns the id of the pressed button, -1 when it could not be shown.
static int show_box(const char* text, const char* caption, BoxIcon icon, bool yes_no,
                    SDL_Window* owner, const char* reason = nullptr) {
  // A failed start tells the player why in the box itself, on the line under its text.
  std::string shown_text = text;
  if (reason && *reason) shown_text = shown_text + "\n" + reason;
  if (message_box_hook) return message_box_hook(shown_text.c_str(), caption, icon, yes_no) ? 1 : 0;
  box_line(text, caption);
  if (reason && *reason) fprintf(stderr, "korvalen: reason: %s\n", reason);
  if (boxes_to_stderr()) return 0;
  // Once the game is to quit, a box would only hold it up: its line is all there is.
  if (quit_requested()) return -1;
  SDL_MessageBoxButtonData ok = {
      SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"};
  // SDL lays buttons out in array order; Yes stays on the left.
  SDL_MessageBoxButtonData yn[2] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
                                    {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"}};
  SDL_MessageBoxData data = {};
  data.flags = box_flags(icon) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  data.window = owner;
  data.title = caption;
  data.message = shown_text.c_str();
  data.numbuttons = yes_no ? 2 : 1;
  data.buttons = yes_no ? yn : &ok;
  int pressed = -1;
  // With no display to show it on, the line above is all there is. A quit request
  // while it is up closes it, unanswered.
  box_process_begin();
  int shown = SDL_ShowMessageBox(&data, &pressed);
  box_process_end();
  if (shown != 0 || quit_requested()) return -1;
  return pressed;
}

// An OK box with no owner, as the window set-up and tear-down show them.
void MessageBoxA(const char* text, const char* caption, BoxIcon icon, const char* reason) {
  show_box(text, caption, icon, false, nullptr, reason);
}

// A Yes/No question; anything but a Yes (closing it, no display) is No.
bool MessageBoxYesNo(const char* text, const char* caption, BoxIcon icon) {
  return show_box(text, caption, icon, true, nullptr) == 1;
}

// An OK box that belongs to the game window, so it stays above it.
void MessageBoxOwned(const char* text, const char* caption, BoxIcon icon) {
  show_box(text, caption, icon, false, box_owner_window);
}
