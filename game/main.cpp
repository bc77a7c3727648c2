// The entry point: open the window, run messages and frames until done.
#include <cstdio>
#include <cstring>
#include <string>

#include "flow/game.h"
#include "game/command_line.h"
#include "game/draw_scene.h"
#include "game/input.h"
#include "game/online.h"
#include "korvalen_version.h"
#include "platform/platform.h"
#include "platform/signals.h"
#include "record/recording.h"
#include "render/render.h"
#include "state/data_files.h"
#include "state/lybrary3.h"

// Draws the frame and shows it: the draw step of every frame.
static void draw_and_present() {
  DrawGLScene();
  SwapBuffers();
}

// The --help text: what the game is, the keys, the speed advice, the files, the exit codes.
static void print_usage() {
  const std::string& folder = data_folder();
  printf(
      "Usage: korvalen [--help | --version]\n"
      "Korvalen: a two-player arena game for one keyboard. Two archers walk, pick up\n"
      "bows, shoot and strike with the sword; a hit scores for the attacker, against\n"
      "the target. After 500 time units the better rating wins.\n"
      "\n"
      "Keys              player 1   player 2\n"
      "  up/down           E / D      I / K\n"
      "  left/right        S / F      J / L\n"
      "  use the weapon    A          M\n"
      "  change weapon     Q          N\n"
      "  menus: arrows, Space or Enter; Esc pauses; H description; I credits\n"
      "  gamepads: the first plays player 1, the second player 2 (man korvalen)\n"
      "\n"
      "The game moves one step a frame, so its speed follows the frame rate: when it\n"
      "feels slow, raise the level under Nastavenia (keys 1, 2, 3).\n"
      "\n"
      "Files: Data/ and s_1.txt (the arena) are read from the working directory when\n"
      "there, else from %s.\n"
      "\n"
      "Exit status: 0 after Exit or closing the window, 1 when the game could not\n"
      "start (the reason is printed on standard error), 2 for a bad argument.\n",
      folder.empty() ? "the data folder (none found)" : folder.c_str());
}

// The command line: --version and --help answer and end; a bad argument is refused.
// Returns the exit code to end with, or -1 to start the game.
static int command_line(int argc, char** argv, CommandLine* line) {
  std::string error;
  if (!read_command_line(argc, argv, line, &error)) {
    fprintf(stderr, "korvalen: %s (try korvalen --help)\n", error.c_str());
    return 2;
  }
  if (line->help) {
    print_usage();
    return standard_output_written() ? 0 : 1;
  }
  if (line->version) {
    printf("korvalen %s\n", KORVALEN_VERSION);
    return standard_output_written() ? 0 : 1;
  }
  return -1;
}

// Starts the game and runs it; 0 on a normal end, 1 when it could not start.
int main(int argc, char** argv) {
  guard_process();
  locate_data_folder();
  CommandLine line;
  std::string error;
  int code = command_line(argc, argv, &line);
  if (code >= 0) return code;

  game_startup_request();
  if (line.speed) apply_speed_level(line.speed);
  if (!line.record.empty() && !record_open(line.record.c_str(), &error)) {
    fprintf(stderr, "korvalen: %s\n", error.c_str());
    return 1;
  }
  if (!CreateGLWindow("Korvalen", Window.X, Window.Y, Window.BIT, fullscreen)) {
    record_finish();
    return 1;
  }
  if (line.host || line.join) {
    code = run_online(line, draw_and_present);
    KillGLWindow();
    KillFont();
    return code;
  }

  while (!done) {
    MSG msg;
    // Minimised, the game waits for the next message: no frame runs, so a match keeps
    // its clock, arrows and ratings until the window comes back, and uses no processor.
    if (active ? PeekMessageA(&msg) : GetMessageA(&msg)) {
      if (msg.message == WM_QUIT)
        done = true;
      else
        DispatchMessageA(&msg);
      note_window(active, done);
    } else if (active) {
      local_frame(draw_and_present);
    }
  }
  record_finish();

  KillGLWindow();
  KillFont();
  // The quit message always carries 0, and Exit from the menu is a normal end too.
  return 0;
}
