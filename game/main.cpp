// The entry point: open the window, then pictures until done, each after the steps the
// step clock calls for.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bot/bot.h"
#include "flow/arena_check.h"
#include "flow/game.h"
#include "flow/own_arenas.h"
#include "flow/step_clock.h"
#include "game/command_line.h"
#include "game/controls.h"
#include "game/draw_scene.h"
#include "game/input.h"
#include "game/menu_screens.h"
#ifndef __EMSCRIPTEN__
#include "game/keep.h"
#endif
#include "game/online.h"
#include "game/player_settings.h"
#ifndef __EMSCRIPTEN__
#include "game/watch.h"
#endif
#include "korvalen_version.h"
#include "platform/platform.h"
#include "platform/signals.h"
#include "platform/sound.h"
#include "record/recording.h"
#include "render/render.h"
#include "state/bindings.h"
#include "state/data_files.h"
#include "state/language.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/settings.h"
#include "world/arenas.h"
#include "world/world.h"
#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include "state/state_fields.h"
#endif

// Draws the latest state and shows it: online play's pictures.
static void draw_and_present() {
  DrawGLScene();
  menu_screens_notices();
  SwapBuffers();
}

// Closes the recording; one that a write cut short is told in a box and ends with 1.
[[maybe_unused]] static int end_recording(int code) {  // the desktop game's
  record_finish();
  std::string why;
  if (!record_lost(&why)) return code;
  MessageBoxA(why.c_str(), "OZNAM", BoxIcon::stop);
  return 1;
}

#ifndef __EMSCRIPTEN__
// The game's end: a sound device left behind still holds a stream the C library's exit would
// flush and wait on, so then only the game's own output is flushed. (A page never ends so.)
static int leave(int code) {
  if (!sound_left_behind()) return code;
  fflush(stdout);
  fflush(stderr);
  _exit(code);
}
#endif

// The players' keys as the binding table has them, one line per pair of actions.
static std::string key_legend() {
  auto keys = [](int player, Action a, Action b) {
    std::string text = key_name(binding(player, a));
    if (b != a) text += std::string(" / ") + key_name(binding(player, b));
    return text;
  };
  const struct {
    const char* label;
    Action first, second;
  } rows[] = {{"up/down", ACTION_UP, ACTION_DOWN},
              {"left/right", ACTION_LEFT, ACTION_RIGHT},
              {"use the weapon", ACTION_USE, ACTION_USE},
              {"change weapon", ACTION_CHANGE, ACTION_CHANGE}};
  std::string legend = "Keys              player 1   player 2\n";
  char line[128];
  for (const auto& row : rows) {
    snprintf(line, sizeof line, "  %-18s%-10s %s\n", row.label,
             keys(1, row.first, row.second).c_str(), keys(2, row.first, row.second).c_str());
    legend += line;
  }
  return legend;
}

static StepClock step_clock;

static std::int64_t now_ns() {
  return monotonic_now_ns();
}

// KORVALEN_CLOCK_LOG=FILE: a line for each match that ends, with the steps of play it took,
// the time from the picture that ran its first step to the one that ran its last, and how
// much of that time the step clock let go because the machine fell behind. A match's steps
// count from the main menu on, so an abandoned match never adds to the next.
static struct {
  FILE* file = nullptr;
  long long steps = 0;
  std::int64_t start_ns = 0, dropped_at_start = 0;
} match_log;

static void open_match_log() {
  if (const char* path = std::getenv("KORVALEN_CLOCK_LOG")) {
    match_log.file = std::fopen(path, "w");
    if (!match_log.file) fprintf(stderr, "korvalen: cannot write %s\n", path);
  }
}

// After each step of local play, at the time of its picture.
static void note_match_step(std::int64_t picture_ns, bool ended) {
  if (!match_log.file) return;
  if (Start_Menu) match_log.steps = 0;
  if (!move) return;
  if (match_log.steps++ == 0) {
    match_log.start_ns = picture_ns;
    match_log.dropped_at_start = step_clock.dropped_ns;
  }
  if (!ended) return;
  fprintf(match_log.file, "match steps %lld ns %lld dropped_ns %lld\n", match_log.steps,
          static_cast<long long>(picture_ns - match_log.start_ns),
          static_cast<long long>(step_clock.dropped_ns - match_log.dropped_at_start));
  std::fflush(match_log.file);
  match_log.steps = 0;
}

// One message from the window: keys, minimising, closing.
static void take_message(const MSG& msg) {
  if (msg.message == WM_QUIT)
    done = true;
  else
    DispatchMessageA(&msg);
  note_window(active, done);
  player_settings_after_message();
}

// One picture of local play: the window's messages, then as many steps as the step clock
// calls for, all on the keys held now (a tap acts in the first), then the latest state drawn
// once. Minimised, the game waits for the next message: no step runs, so a match keeps its
// clock, arrows and ratings until the window comes back, and uses no processor. False once
// the game is over. The web build hands this to the browser's loop.
bool main_loop_iteration() {
  MSG msg;
  if (!active) {
    steps_before_picture(&step_clock, now_ns(), speed_level(), false);
    if (GetMessageA(&msg)) take_message(msg);
    return !done;
  }
  while (!done && active && PeekMessageA(&msg)) take_message(msg);
  if (done || !active) return !done;
  if (controls_picture() || menu_screens_picture()) return !done;
  const std::int64_t picture_ns = now_ns();
  int steps = steps_before_picture(&step_clock, picture_ns, speed_level(), true);
  for (int step = 0; step < steps && !done; step++) {
    player_settings_before_frame();
    const bool was_over = End;
    local_frame(nullptr);
    note_match_step(picture_ns, End && !was_over);
    player_settings_after_frame();
    if (step == 0) KeysAfterFrame();
  }
  // Exit found by the last step ends the game at the next one, which draws nothing.
  if (!done && !Exit) {
    DrawGLScene();
    menu_screens_notices();
    SwapBuffers();
    PacePicture();
  }
#ifndef __EMSCRIPTEN__
  keep_after_picture();
#endif
  return !done;
}

// The --help text: the options, the keys, what the screens say, where the files are read.
static void print_usage() {
  player_settings_keys();
  const std::string& folder = data_folder();
  std::string images = data_file_full_path("Data"), arena = data_file_full_path("s_1.txt");
  auto missing = [](const std::string& path) {
    return access(path.c_str(), F_OK) ? " (missing)" : "";
  };
  printf(
      "Usage: korvalen [OPTION...]\n"
      "Korvalen: a two-player arena game for one keyboard. Two archers walk, pick up\n"
      "bows, shoot and strike with the sword; a hit scores for the attacker, against\n"
      "the target. After 500 time units the better rating wins.\n"
      "\n"
      "  --speed 1|2|3       start at this speed level instead of level 1\n"
      "  --pace frame|clock  clock (the default): steps on a clock, the same pace on every\n"
      "                      machine; frame: one step per picture, speed follows the display\n"
      "  --window            play in a 1280 x 1024 window (or the largest that fits)\n"
      "  --change-mode       full screen in a 1280 x 1024 display mode, not the desktop's\n"
      "  --bot [LEVEL]       player 2 is the computer, level 1 to 3 (default 2)\n"
      "  --host [PORT]       wait for player 2 over the network (UDP, default port %d)\n"
      "  --join HOST[:PORT]  play as player 2 in the game HOST hosts\n"
      "  --host-room [public|private]\n"
      "                      make a room on the meeting servers over the internet and\n"
      "                      wait in it; prints \"room CODE\"; public lists it there\n"
      "  --join-room CODE    play as player 2 in the room with this code\n"
      "  --server URL        the meeting servers, https://HOST (or [online] server)\n"
      "  --server-ca FILE    trust the servers' certificates from FILE\n"
      "  --relay-only        never offer this machine's addresses: always the relay\n"
      "  --record FILE       write the session to FILE\n"
      "  --watch FILE        play the recording FILE in the window: Space pauses, Right\n"
      "                      and Left jump 10 s, + and - double and halve the pace, Esc\n"
      "                      ends (korvalen-replay --recording FILE prints its end state)\n"
      "  --arena N           play every match on arena N (1, the first, is the default)\n"
      "  --arenas            list the arenas with their numbers, and end\n"
      "  --lang sk|en        the texts in Slovak or English (default: the locale's, or\n"
      "                      the saved language)\n"
      "  --volume N          sound volume, 0 (silent) to 100 (default 100)\n"
      "  --help, --version   print this help or the version, and end\n"
      "\n"
      "%s"
      "  menus: arrows, Space or Enter; Esc pauses; H description; I credits\n"
      "  Alt+Enter or F11: full screen or window, at any time; F8: sound off and on\n"
      "  Enter on the colour screen: the controls screen, where each player picks\n"
      "  his keys (Esc, Enter, Space, the arrows, F8, F11, Alt and H stay the game's)\n"
      "  gamepads: the first plays player 1, the second player 2 (man korvalen)\n"
      "  online: your keys (either hand's) move only your own archer; every other key\n"
      "  acts from both keyboards; the host's arena and speed count for both, from\n"
      "  level 1; both step on their clocks in groups of a 60th of a second or less\n"
      "\n"
      "The game speaks Slovak, or English for an English locale, --lang en or the\n"
      "saved language. In Slovak, the menus mix English and Slovak words: Nastavenia\n"
      "is the speed screen, where keys 1, 2, 3 change the speed level. In a match the\n"
      "panel shows each player's rating after \"H:\" (\"R:\" in English) and the time\n"
      "left under \"Time\".\n"
      "The end screen, \"Velitelstvo ti gratuluje player 1\" (or 2: the high command\n"
      "congratulates the winner), says \"Stlac medzernik\", press Space: Space goes on\n"
      "to a new match's colour screen.\n"
      "\n"
      "Pacing: the game runs in steps on a clock, 3000 a second at level 1, 200 at\n"
      "level 2, 60 at level 3, each level with its step size, so a match lasts about\n"
      "167 seconds at every level on every machine. The level chooses the step size\n"
      "only: level 1, the start, is the smoothest. Pictures follow the display.\n"
      "\n"
      "Full screen covers the display as it is, the 5:4 picture in the middle with\n"
      "black bars. With --change-mode, where the display has no 1280 x 1024 mode, the\n"
      "game asks \"Chces pouzit zobrazenie bez fullscreenu?\" (play without full\n"
      "screen?). Yes: the note \"Maximalizuj okno. /n Zobrazenie moze byt rozhadzane.\"\n"
      "(maximise the window; the picture may be out of shape), then a window. No:\n"
      "\"Program sa zatvori.\" (the game closes) and it ends.\n"
      "\n"
      "Settings: what a player changes in the game (speed level, avatars, full screen\n"
      "or window, F8's sound off, keys) is saved at once in %s\n"
      "(sections [game] speed, [display] fullscreen, [players] avatar1/avatar2,\n"
      "[sound] volume/muted, [language] language, [keys] player1.up ... player2.change\n"
      "as SDL key names);\n"
      "options on the command line count for their run only and are never saved.\n"
      "\n"
      "Files, from where this start would read them (the working directory first,\n"
      "then the data folder, %s):\n"
      "  images  %s%s\n"
      "  arena   %s%s\n"
      "\n"
      "Exit status: 0 after Exit or closing the window (or the other player leaving),\n"
      "1 when the game could not start (the reason is printed on standard error) or\n"
      "an online game lost its connection or was refused, 2 for a bad argument or a\n"
      "--watch file that is not a whole recording this version can run.\n",
      DEFAULT_PORT, key_legend().c_str(), settings_where().c_str(),
      folder.empty() ? "none found" : folder.c_str(), images.c_str(), missing(images),
      arena.c_str(), missing(arena));
}

// --arenas: the shipped arenas, each with its number for --arena, its name and its line in
// the player's language; one whose file is missing, or (edited by hand) cannot be played,
// says so and why. Each is read as a match start reads it.
static int print_arenas() {
  int count;
  const ArenaInfo* arenas = arenas_shipped(&count);
  for (int i = 0; i < count; i++) {
    const int sector = arenas[i].sector;
    const std::string path = data_file_full_path(sector_file_name(sector).c_str());
    std::string note;
    if (access(path.c_str(), R_OK)) {
      note = " (missing)";
    } else {
      sector_choose(sector);
      sector_set();
      const std::string why = arena_verdict_text(arena_check(build, Build_Max));
      if (!why.empty()) note = " (" + why + ")";
    }
    printf("%2d  %s: %s%s\n", sector, tr(arenas[i].name), tr(arenas[i].line), note.c_str());
  }
  sector_choose(1);
  return standard_output_written() ? 0 : 1;
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

#ifdef __EMSCRIPTEN__
// The browser's loop: it calls this once for every picture it shows. After Exit the window
// goes and the page says the game has ended.
static void browser_frame() {
  static int settings_saved = 0, arenas_saved = 0;
  bool going_on = main_loop_iteration();
  // the page copies every folder it keeps, the player's arenas with the settings
  if (settings_changes() != settings_saved || own_arena_saves() != arenas_saved) {
    settings_saved = settings_changes();
    arenas_saved = own_arena_saves();
    web_settings_saved();
  }
  if (going_on) return;
  emscripten_cancel_main_loop();
  sound_close();
  KillGLWindow();
  KillFont();
  web_game_ended(0);
}

// Online play in a page: rooms only. Its loop waits for the network as the desktop's does,
// the page going on meanwhile. At the end the page is told how it ended and the state the
// match ended in (as korvalen-replay dumps it), which the other side's recording replays to.
static int play_online_in_browser(const CommandLine& line) {
  int code = run_online(line, draw_and_present);
  char* dump = nullptr;
  size_t size = 0;
  if (FILE* out = open_memstream(&dump, &size)) {
    Dump_Init();
    Dump_Print(out, 0, nullptr, 0);
    fclose(out);
  }
  EM_ASM(
      {
        if (Module.korvalenOnlineEnded) Module.korvalenOnlineEnded($0, $1 ? UTF8ToString($1) : "");
      },
      code, dump);
  free(dump);
  sound_close();
  KillGLWindow();
  KillFont();
  web_game_ended(code);
  return code;
}

// In a browser the game runs in a page from its own loop: addresses (no UDP in a page) and
// recording (no file of one's own) are the desktop game's.
static int start_in_browser(const CommandLine& line) {
  if (line.host || line.join || !line.record.empty()) {
    fprintf(stderr,
            "korvalen: in a browser online play goes through rooms only, and recording is "
            "the desktop game's\n");
    web_game_ended(2);
    return 2;
  }
  // the main menu's own entries as on the desktop (less the recordings, which a page keeps
  // none of), with the computer's level and the volume the player saved
  menu_screens_start(line);
  if (!CreateGLWindow("Korvalen", Window.X, Window.Y, Window.BIT, false)) {
    web_game_ended(1);
    return 1;
  }
  player_settings_window_open();
  if (start_choices.frame_pace) step_clock.pace = Pace::frame;
  // The page's address stands for the command line, and a player has no settings file to
  // edit in a browser: the language and volume asked for there are kept for the next visit.
  if (!line.lang.empty()) settings_store(SETTING_LANGUAGE, line.lang);
  if (line.volume >= 0) settings_store(SETTING_VOLUME, std::to_string(line.volume));
  // The browser starts the sound with the player's first key or click.
  sound_open(start_choices.volume);
  if (plays_online(line)) return play_online_in_browser(line);
  emscripten_set_main_loop(browser_frame, 0, false);
  return 0;
}
#endif

// A room needs the meeting servers: from the command line, else from the settings.
static bool rooms_ready(const CommandLine& line) {
  if (!line.host_room && line.join_room.empty()) return true;
  if (!line.server.empty()) return true;
  fprintf(stderr,
          "korvalen: a game over the internet meets on a server: give --server https://HOST "
          "or set server = https://HOST under [online] in %s (the README's \"Playing over "
          "the internet\" tells what such a server runs; server/run.sh starts one here)\n",
          settings_where().c_str());
  return false;
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
  player_settings_start(&line);
  if (line.list_arenas) return print_arenas();
  if (!rooms_ready(line)) return 2;
  if (line.bot) bot_play(2, line.bot);
  open_match_log();
#ifdef __EMSCRIPTEN__
  return start_in_browser(line);
#else
  if (!line.watch.empty()) return leave(watch_recording(line, start_choices.volume));
  if (!line.record.empty() && !record_open(line.record.c_str(), &error)) {
    fprintf(stderr, "korvalen: %s\n", error.c_str());
    return 1;
  }
  menu_screens_start(line);
  if (!CreateGLWindow("Korvalen", Window.X, Window.Y, Window.BIT, fullscreen)) {
    record_finish();
    return 1;
  }
  player_settings_window_open();
  if (start_choices.frame_pace) step_clock.pace = Pace::frame;
  sound_open(start_choices.volume);
  if (plays_online(line)) {
    code = end_recording(run_online(line, draw_and_present));
    sound_close();
    KillGLWindow();
    KillFont();
    return leave(code);
  }

#ifndef __EMSCRIPTEN__
  keep_start(line);
#endif
  while (main_loop_iteration()) {
  }
#ifndef __EMSCRIPTEN__
  keep_end();
#endif
  code = line.record.empty() ? 0 : end_recording(0);

  sound_close();
  KillGLWindow();
  KillFont();
  // The quit message always carries 0, and Exit from the menu is a normal end too.
  return leave(code);
#endif
}
