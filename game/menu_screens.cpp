// The table of the game's own menus, and their place in the picture loop.
#include "game/menu_screens.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bot/bot.h"
#include "flow/editor.h"
#include "flow/menu_screens.h"
#include "flow/own_arenas.h"
#include "flow/screen.h"
#include "flow/step_clock.h"
#include "game/draw_scene.h"
#include "game/input.h"
#include "game/player_settings.h"
#include "state/snapshot.h"
#ifndef __EMSCRIPTEN__
#include "game/keep.h"
#include "game/online.h"
#include "game/watch.h"
#include "korvalen_version.h"
#include "net/net.h"
#include "record/kept.h"
#include "record/recording.h"
#include "screens/screens.h"
#include "session/room_code.h"
#include "state/recent.h"
#endif
#include "platform/platform.h"
#include "platform/sound.h"
#include "render/render.h"
#include "state/language.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/settings.h"
#include "world/world.h"

// A menu's keys (flow/menu_NAME.cpp) and picture (screens/menu_NAME.cpp).
void menu_computer_keys();
void menu_computer_draw();
void menu_options_keys();
void menu_options_draw();
void menu_help_keys();
void menu_help_draw();
void menu_recordings_keys();
void menu_recordings_draw();
void menu_editor_keys();
void menu_editor_draw();
void menu_host_keys();
void menu_host_draw();
void menu_join_keys();
void menu_join_draw();
void menu_arenas_keys();
void menu_arenas_draw();

namespace {

struct MenuRow {
  GameKey letter;  // the main menu's letter that opens it
  void (*keys)();
  void (*draw)();
};
const std::vector<MenuRow> MENU_ROWS = {
    {GAME_KEY_COMPUTER, menu_computer_keys, menu_computer_draw},
    {GAME_KEY_OPTIONS, menu_options_keys, menu_options_draw},
    {GAME_KEY_HELP, menu_help_keys, menu_help_draw},
    {GAME_KEY_EDITOR, menu_editor_keys, menu_editor_draw},
#ifndef __EMSCRIPTEN__  // a browser keeps no recordings
    {GAME_KEY_RECORDINGS, menu_recordings_keys, menu_recordings_draw},
    // online play from a page is the page's own
    {GAME_KEY_HOST, menu_host_keys, menu_host_draw},
    {GAME_KEY_JOIN, menu_join_keys, menu_join_draw},
#endif
    {GAME_KEY_ARENAS, menu_arenas_keys, menu_arenas_draw},
};

const MenuRow* row_of(GameKey menu) {
  for (const MenuRow& row : MENU_ROWS)
    if (row.letter == menu) return &row;
  return nullptr;
}

// The main menu's New, from wherever its highlight is: Up twice, then Space, each a step
// of its own with a step between that lets go, as a player's taps would be.
void press_new() {
  static const int taps[] = {VK_UP, 0, VK_UP, 0, VK_SPACE, 0};
  press_in_steps(taps, sizeof taps / sizeof taps[0]);
}

GameSnapshot start_up;  // the state a kept recording starts from
bool computer_from_menu;
std::vector<std::string> broken_settings;  // shown on the main menu until a key is pressed
std::string told;                          // a word for the players, shown a few seconds at the top
std::chrono::steady_clock::time_point told_until;
int volume_shown = -1;
bool muted_shown;
bool muted_saved;  // F8's state as the settings have it
std::chrono::steady_clock::time_point volume_until;
int computer_level_saved;  // the computer plays player 2 because the menu asked for it
bool trying_arena;         // a match the editor started: back in the editor after it
std::vector<std::string> online_failure;  // shown on the main menu until a key is pressed
CommandLine started_with;                 // the command line, its meeting servers completed

// A line for the screen's font (ASCII alone) in pieces of its width, at most three.
std::vector<std::string> screen_lines(std::string text) {
  std::vector<std::string> lines;
  for (char& c : text)
    if (c < ' ' || c > '~') c = '?';
  for (size_t at = 0; at < text.size() && lines.size() < 3; at += 60)
    lines.push_back(text.substr(at, 60));
  return lines;
}

// The options as they are in the game now, for the options menu to show and change.
void options_now() {
  Options& o = menus.options;
  o.volume = sound_volume();
  o.muted = sound_muted();
  o.language = language_current();
  o.fullscreen = fullscreen;
  o.speed = speed_level_pending() ? o.speed : speed_level();
}

// What the options menu changed, applied and saved at once.
void apply_options() {
  const Options& o = menus.options;
  if (o.volume != sound_volume()) {
    sound_set_volume(o.volume);
    settings_store(SETTING_VOLUME, std::to_string(o.volume));
  }
  if (o.muted != sound_muted()) sound_toggle_mute();
  if (o.language != language_current()) {
    language_start(o.language);
    settings_store(SETTING_LANGUAGE, o.language);
  }
  if (o.fullscreen != fullscreen) ToggleFullScreen();  // saved as F11's switch is
  if (o.speed != speed_level() && !speed_level_pending()) {
    apply_speed_level(o.speed);  // marked for the next step, as the speed screen does
    settings_store(SETTING_SPEED, std::to_string(o.speed));
  }
  if (o.computer_level != computer_level_saved) {
    computer_level_saved = o.computer_level;
    settings_store(SETTING_COMPUTER_LEVEL, std::to_string(o.computer_level));
  }
  if (menus.open_controls) {
    menus.open_controls = false;
    controls.shown = true;
    controls.picked = 0;
    controls.waiting = false;
    controls.refusal = nullptr;
  }
}

// The kept matches, listed when the recordings menu opens.
void list_recordings() {
#ifndef __EMSCRIPTEN__
  menus.listed.clear();
  menus.listed_arenas.clear();
  const std::string folder = kept_recordings_folder();
  for (const KeptRecording& kept : list_kept_recordings(folder)) {
    menus.listed.push_back(kept.name);
    menus.listed_arenas.push_back(kept_recording_arena(folder + "/" + kept.name));
  }
#endif
}

// The arenas, read and checked afresh each time the list opens (a file edited meanwhile shows
// as it is now), the pick on the arena chosen.
OwnArenaListing own_listed;  // the player's arenas, added to the list a piece each picture

// The player's own arenas read so far that are not yet on the list, as entries of sector 0:
// one that cannot be used keeps the reason and line its file was refused with.
void list_own_arenas() {
  if (menu_up() != GAME_KEY_ARENAS || own_listed.done) return;
  const std::size_t before = own_listed.arenas.size();
  own_arenas_more(&own_listed, monotonic_now_ns() + 40000000LL);
  for (std::size_t i = before; i < own_listed.arenas.size(); i++) {
    const OwnArena& a = own_listed.arenas[i];
    ArenaEntry e;
    if (a.usable) e = arena_entry_from_text(0, a.name, "", true, a.text);
    e.sector = 0;
    e.name = a.name;
    e.line = tr("Vlastna arena");
    e.shipped = false;
    if (!a.usable) {
      e.usable = false;
      e.why = a.why +
              (a.line ? " (" + std::string(tr("riadok")) + " " + std::to_string(a.line) + ")" : "");
    }
    menus.arenas.push_back(e);
  }
}

void list_arenas() {
  menus.arenas = arena_entries();
  own_arenas_begin(&own_listed, own_arenas_folder());
  const ArenaChoice& now = arena_choice();
  menus.picked = 0;
  for (std::size_t i = 0; i < menus.arenas.size() && !now.any; i++)
    if (menus.arenas[i].sector == now.sector && now.own.empty())
      menus.picked = static_cast<int>(i) + 1;
  menus.first = menus.picked >= MENU_LIST_SHOWN ? menus.picked - MENU_LIST_SHOWN + 1 : 0;
}

// The arena picked on the list plays from the next match on, and is saved; back on the colour
// screen.
void choose_picked_arena() {
  const int row = menus.choose_arena;
  menus.choose_arena = -1;
  ArenaChoice choice;
  choice.any = row == 0;
  if (row > 0) choice.sector = menus.arenas[row - 1].sector;
  if (row > 0 && choice.sector == 0) choice.own = menus.arenas[row - 1].name;  // by its name
  if (arena_choice_apply(choice, menus.arenas))
    settings_store(SETTING_ARENA, arena_choice_text(choice));
  menu_close();
}

// Watches the kept match picked; back on the recordings menu after it.
void watch_picked() {
#ifndef __EMSCRIPTEN__
  std::string path = kept_recordings_folder() + "/" + menus.listed[menus.watch], why;
  if (!watch_from_menu(path, start_up, &why))
    fprintf(stderr, "korvalen: %s: %s\n", path.c_str(), why.c_str());
  // the keys of the watch stay the watch's
  std::memset(menus.seen, 1, sizeof menus.seen);
#endif
  menus.watch = -1;
  menu_close();  // back to the main menu as it stood
}

// A black band across the picture from text row y down h, for a notice over the screen.
void black_band(float y, float h) {
  GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glColor3f(0, 0, 0);
  flat_layer_begin();
  // a quad, not glRectf: the browser's GL emulation has no rectangles
  glBegin(GL_QUADS);
  glVertex2f(0, 480 - y);
  glVertex2f(640, 480 - y);
  glVertex2f(640, 480 - y - h);
  glVertex2f(0, 480 - y - h);
  glEnd();
  flat_layer_end();
  if (textured) glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
}

// The editor's arena against the computer at the level played last, straight into the
// match: New, then Space on the colour screen. Its walls are the match's map text, as a
// player's own arena always plays.
void try_arena() {
  editor.test_play = false;
  const std::string text = walls_value_lines(editor.walls);
  map_use_given(true, text.data(), text.size(), 0, editor.name.empty() ? "editor" : editor.name);
  trying_arena = true;
  menu_close();
  bot_play(2, computer_level_saved);
  computer_from_menu = true;
  static const int taps[] = {VK_UP, 0, VK_UP, 0, VK_SPACE, 0, VK_SPACE, 0};
  press_in_steps(taps, sizeof taps / sizeof taps[0]);
}

#ifndef __EMSCRIPTEN__
// Online play's pictures, as the command line's.
void draw_and_present() {
  DrawGLScene();
  SwapBuffers();
}

// The command line a menu's choice stands for, read by the command line's own reader, with
// the meeting servers the game started with: a game from the menu is a command line's game.
bool online_line(const std::vector<std::string>& args, CommandLine* line, std::string* why) {
  std::vector<const char*> argv{"korvalen"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  if (!read_command_line(static_cast<int>(argv.size()), argv.data(), line, why)) return false;
  line->server = started_with.server;
  line->server_ca = started_with.server_ca;
  line->relay_only = started_with.relay_only;
  return true;
}

// Plays online from the start-up state, as the command line would, then comes back to the
// start-up state's main menu at the speed level it had, with why it ended if it did not end
// in order. A recording runs from the start-up state through one session's keys: the one of
// local play so far ends here (kept, or --record's file), and the kept one starts anew
// afterwards. Online play from the menu is not recorded.
void play_online(const CommandLine& line) {
  net_lobby_stop();
  keep_end();
  record_finish();
  TypingOn(false);
  menus.depth = 0;
  const int level = speed_level();
  auto start_over = [] {
    bool window_full = fullscreen, window_active = active;
    snapshot_put(start_up);
    fullscreen = window_full;
    active = window_active;
  };
  start_over();
  // the host's level counts for both, as --speed's does; a guest plays the host's
  if ((line.host || line.host_room) && speed_level() != level) apply_speed_level(level);
  OnlineEnd end;
  hold_back_held_keys();  // the key that chose is the menu's, not the session's
  run_online(line, draw_and_present, &end);
  map_use_file();  // the host's map was online play's: local matches play this side's choice
  start_over();
  if (speed_level() != level) apply_speed_level(level);  // in the next step, as recorded
  done = end.closed;
  end_screen_offer_play_again(true);
  online_failure = screen_lines(end.line);
  if (!done) keep_start(started_with);
  hold_back_held_keys();
  std::memset(menus.seen, 1, sizeof menus.seen);
}

// What the lobby is read with: the servers the game started with.
RoomOptions lobby_options() {
  RoomOptions options;
  options.server = started_with.server;
  options.server_ca = started_with.server_ca;
  options.version = KORVALEN_VERSION;
  return options;
}

// The lobby's rooms for the join menu while it is up; reading ends when it goes.
void follow_lobby() {
  menus.lobby.clear();
  menus.lobby_names.clear();
  if (menu_up() != GAME_KEY_JOIN || !menus.server_set) {
    net_lobby_stop();
    menus.lobby_note.clear();
    return;
  }
  for (const LobbyRoom& room : net_lobby_rooms(&menus.lobby_note)) {
    menus.lobby.push_back(room.code);
    menus.lobby_names.push_back(room.name);
  }
}

void host_picked() {
  static const std::vector<std::string> ways[HOST_WAYS] = {
      {}, {"--host"}, {"--host-room", "public"}, {"--host-room", "private"}};
  CommandLine line;
  std::string why;
  HostWay way = menus.host;
  menus.host = HOST_NONE;
  if (online_line(ways[way], &line, &why))
    play_online(line);
  else
    menus.note = why;
}

// A room's code (six letters of the codes' alphabet, any case) joins the room; anything else
// is an address, HOST[:PORT]. A host named as a code is joined with its port.
void join_picked() {
  std::string typed = menus.join, why;
  menus.join.clear();
  bool room = !room_code_read(typed).empty();
  if (room && !menus.server_set) {
    menus.note = tr("Kod miestnosti potrebuje server: pozri O, Hostit hru.");
    return;
  }
  CommandLine line;
  if (online_line({room ? "--join-room" : "--join", typed}, &line, &why))
    play_online(line);
  else
    menus.note = why;
}
#endif

void do_requests() {
  if (editor.test_play) try_arena();
#ifndef __EMSCRIPTEN__
  if (menus.host != HOST_NONE) host_picked();
  if (!menus.join.empty()) join_picked();
#endif
  if (menus.watch >= 0) watch_picked();
  if (menus.choose_arena >= 0) choose_picked_arena();
  if (menu_up() == GAME_KEY_OPTIONS || menus.open_controls) apply_options();
  if (menus.start_computer) {
    bot_play(2, menus.start_computer);
    computer_from_menu = true;
    if (menus.start_computer != computer_level_saved)
      settings_store(SETTING_COMPUTER_LEVEL, std::to_string(menus.start_computer));
    computer_level_saved = menus.start_computer;
    menus.options.computer_level = menus.start_computer;
    press_new();
    menus.start_computer = 0;
  }
}

}  // namespace

// F8 is the window's key; its state is kept as a setting once it changed.
static void save_mute() {
  if (sound_muted() == muted_saved) return;
  muted_saved = sound_muted();
  settings_store(SETTING_MUTED, muted_saved ? "yes" : "no");
}

void arenas_start(const Settings& saved, int arena_given) {
  ArenaChoice choice;
  if (arena_given) {
    choice.sector = arena_given;  // the command line's, as it stands: played, never saved
    arena_choice_apply(choice, {});
    return;
  }
  if (saved.arena.empty() || !arena_choice_parse(saved.arena, &choice)) return;
  std::string why;
  if (!arena_choice_restore(choice, &why))
    fprintf(stderr,
            "korvalen: arena %s, chosen before, cannot be played now (%s); arena 1 is played\n",
            saved.arena.c_str(), why.c_str());
}

void menu_screens_start([[maybe_unused]] const CommandLine& line) {
#ifndef __EMSCRIPTEN__
  started_with = line;
  menus.server_set = !started_with.server.empty();
#endif
  muted_saved = sound_muted();
  menus.options.volume = start_choices.volume;
  menus.options.computer_level = computer_level_saved = start_choices.computer_level;
  menus.watch = -1;
  menus.choose_arena = -1;
  for (int k = 0; k < GAME_KEYS; k++) menus.offered[k] = k >= MENU_LETTERS || row_of(GameKey(k));
  snapshot_take(&start_up);
  const std::vector<std::string>& problems = settings_load_problems();
  if (problems.empty()) return;
  // the first problem, and how many more
  std::string first = problems[0];
  if (problems.size() > 1) first += " (+" + std::to_string(problems.size() - 1) + ")";
  broken_settings = screen_lines(first);
}

void menu_screens_notices() {
  save_mute();
  auto now = std::chrono::steady_clock::now();
  if (volume_shown < 0) {
    volume_shown = sound_volume();
    muted_shown = sound_muted();
  }
  if (volume_shown != sound_volume() || muted_shown != sound_muted()) {
    volume_shown = sound_volume();
    muted_shown = sound_muted();
    volume_until = now + std::chrono::seconds(2);
  }
  bool volume = now < volume_until;
  bool broken = !broken_settings.empty() && screen_up() == SCREEN_MAIN_MENU;
  bool failed = !online_failure.empty() && screen_up() == SCREEN_MAIN_MENU;
  bool telling = now < told_until;
  if (!volume && !broken && !failed && !telling) return;
  glLoadIdentity();
  text_layer_begin();
  if (telling) {
    black_band(35, 30);
    yellow();
    glPrint(20, 40, 0, told.c_str());
  }
  if (volume) {
    std::string text = muted_shown
                           ? std::string(tr("Zvuk vypnuty (F8)"))
                           : std::string(tr("Hlasitost")) + " " + std::to_string(volume_shown);
    black_band(5, 30);
    cyan();
    glPrint(440, 10, 0, text.c_str());
  }
  if (broken) {
    black_band(195, 30 + 22 * broken_settings.size());
    red();
    glPrint(20, 200, 0, tr("Chybny riadok v nastaveniach:"));
    for (size_t i = 0; i < broken_settings.size(); i++)
      glPrint(20, 225 + 22 * i, 0, broken_settings[i].c_str());
  }
  if (failed) {
    black_band(305, 10 + 22 * online_failure.size());
    red();
    for (size_t i = 0; i < online_failure.size(); i++)
      glPrint(20, 310 + 22 * i, 0, online_failure[i].c_str());
  }
  text_layer_end();
}

void menu_screens_tell(const std::string& text) {
  told = text;
  told_until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
}

bool menu_screens_picture() {
  for (int code = 0; code < KEY_CODES; code++) menus.keyboard[code] = held_keys[code];
  menus.typed = TakeTypedText();
  // the letter that opened the join menu, repeated by the keyboard while held, is no part
  // of an address
  static bool opener_let_go;
  if (menu_up() != GAME_KEY_JOIN || menus.opened) opener_let_go = false;
  if (!opener_let_go && menus.keyboard[game_keys[GAME_KEY_JOIN].code])
    menus.typed.clear();
  else
    opener_let_go = true;
  bool was_up = menu_up() != GAME_KEYS;
  for (int code = 1; code < KEY_CODES && !broken_settings.empty(); code++)
    if (menu_pressed(code)) broken_settings.clear();  // seen: any key puts it away
  for (int code = 1; code < KEY_CODES && !online_failure.empty(); code++)
    if (menu_pressed(code)) online_failure.clear();
  save_mute();
  options_now();  // as they are, F8 and F11 since the last picture too
  Screen described = screen_up();
  // back on the main menu after a match the menu started, player 2 is a person again
  if (computer_from_menu && described == SCREEN_MAIN_MENU && !steps_pressing()) {
    bot_play(2, 0);
    computer_from_menu = false;
    if (trying_arena) {
      trying_arena = false;
      map_use_file();
      menu_open(GAME_KEY_EDITOR);
    }
  }
  if (!was_up && menu_pressed(VK_F1) && !steps_pressing()) {
    menu_open(GAME_KEY_HELP);  // over any screen
  } else if (!was_up && described == SCREEN_MAIN_MENU && !steps_pressing()) {
    for (int k = 0; k < MENU_LETTERS; k++)
      if (menu_pressed(game_keys[k].code) && row_of(GameKey(k))) menu_open(GameKey(k));
    if (menu_up() == GAME_KEY_RECORDINGS) list_recordings();
#ifndef __EMSCRIPTEN__
    if (menu_up() == GAME_KEY_JOIN) {
      menus.recent = recent_load();
      if (menus.server_set) net_lobby_start(lobby_options());
    }
#endif
    if (menu_up() != GAME_KEYS) menus.note.clear();
  } else if (!was_up && described == SCREEN_COLOUR && !steps_pressing() &&
             menu_pressed(game_keys[GAME_KEY_ARENAS].code)) {
    menu_open(GAME_KEY_ARENAS);
    list_arenas();
  } else if (was_up) {
    if (menu_pressed(VK_ESCAPE) && !menus.keeps_escape)
      menu_close();
    else {
      row_of(menu_up())->keys();
    }
    menus.opened = false;
  }
  std::memcpy(menus.seen, menus.keyboard, sizeof menus.seen);
  list_own_arenas();
  do_requests();
  TypingOn(menu_up() == GAME_KEY_JOIN);
#ifndef __EMSCRIPTEN__
  follow_lobby();
#endif
  options_now();
  bool up = menu_up() != GAME_KEYS;
  // no step sees a key a menu read: each waits until it is let go
  if (up || was_up) hold_back_held_keys();
  if (!up) return false;
  KeysAfterFrame();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  text_layer_begin();
  row_of(menu_up())->draw();
  text_layer_end();
  SwapBuffers();
  PacePicture();
  return true;
}
