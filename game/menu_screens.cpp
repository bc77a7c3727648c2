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
#include "game/input.h"
#include "state/snapshot.h"
#ifndef __EMSCRIPTEN__
#include "game/watch.h"
#include "record/kept.h"
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
int volume_shown = -1;
bool muted_shown;
std::chrono::steady_clock::time_point volume_until;
int computer_level_saved;  // the computer plays player 2 because the menu asked for it
bool trying_arena;         // a match the editor started: back in the editor after it

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
    if (menus.arenas[i].sector == now.sector) menus.picked = static_cast<int>(i) + 1;
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
  if (row > 0 && choice.sector == 0) {  // a player's own: played from its text, not saved
    const ArenaEntry& e = menus.arenas[row - 1];
    sector_choose_own(e.name, e.text);
    menu_close();
    return;
  }
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
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, 640, 0, 480, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  // a quad, not glRectf: the browser's GL emulation has no rectangles
  glBegin(GL_QUADS);
  glVertex2f(0, 480 - y);
  glVertex2f(640, 480 - y);
  glVertex2f(640, 480 - y - h);
  glVertex2f(0, 480 - y - h);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
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

void do_requests() {
  if (editor.test_play) try_arena();
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

void arenas_start(const Settings& saved, int arena_given) {
  ArenaChoice choice;
  if (arena_given) {
    choice.sector = arena_given;  // the command line's, as it stands: played, never saved
    arena_choice_apply(choice, {});
    return;
  }
  if (saved.arena.empty() || !arena_choice_parse(saved.arena, &choice)) return;
  if (!arena_choice_apply(choice, arena_entries()))
    fprintf(stderr, "korvalen: arena %s, chosen before, cannot be played now; arena 1 is played\n",
            saved.arena.c_str());
}

void menu_screens_start(const Settings& saved, int volume, int computer_level) {
  menus.options.volume = volume;
  menus.options.computer_level = computer_level_saved = computer_level;
  menus.options.speed = saved.speed ? saved.speed : 1;
  menus.watch = -1;
  menus.choose_arena = -1;
  for (int k = 0; k < GAME_KEYS; k++) menus.offered[k] = k >= MENU_LETTERS || row_of(GameKey(k));
  snapshot_take(&start_up);
  const std::vector<std::string>& problems = settings_load_problems();
  if (problems.empty()) return;
  // the font holds ASCII alone; the first problem in lines of the screen's width
  std::string first = problems[0];
  for (char& c : first)
    if (c < ' ' || c > '~') c = '?';
  if (problems.size() > 1) first += " (+" + std::to_string(problems.size() - 1) + ")";
  for (size_t at = 0; at < first.size() && broken_settings.size() < 3; at += 60)
    broken_settings.push_back(first.substr(at, 60));
}

void menu_screens_notices() {
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
  if (!volume && !broken) return;
  glLoadIdentity();
  text_layer_begin();
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
  text_layer_end();
}

bool menu_screens_picture() {
  for (int code = 0; code < KEY_CODES; code++) menus.keyboard[code] = held_keys[code];
  bool was_up = menu_up() != GAME_KEYS;
  for (int code = 1; code < KEY_CODES && !broken_settings.empty(); code++)
    if (menu_pressed(code)) broken_settings.clear();  // seen: any key puts it away
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
