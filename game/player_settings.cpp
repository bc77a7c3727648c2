// The settings file in play. Only what the player does in the game is saved: a level the
// speed fit or --speed picked, or the window --window asked for, is not.
#include "game/player_settings.h"

#include <cstdio>

#include "flow/menu_screens.h"
#include "game/input.h"
#include "game/menu_screens.h"
#include "platform/platform.h"
#include "platform/sound.h"
#include "state/bindings.h"
#include "state/language.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/settings.h"

namespace {

int level_before, colour_before[3];
bool speed_screen_before, colour_screen_before, menu_opening, fullscreen_saved;
bool avatars_kept;  // the colour screen opens on the saved avatars (not online, not recording)
int saved_avatar[3] = {0, 1, 2};

int marked_level() {
  return Q_3 ? 3 : Q_2 ? 2 : 1;
}

// The [keys] lines in the file's order. The actions the file names give up their keys
// first, so keys can change places; a key that cannot be used is reported with its line,
// and its action keeps the key it had.
void bind_saved_keys(const Settings& saved) {
  int keys_of[BOUND_PLAYERS + 1][ACTIONS] = {};
  for (int p = 1; p <= BOUND_PLAYERS; p++)
    for (int a = 0; a < ACTIONS; a++) keys_of[p][a] = binding(p, Action(a));
  for (const KeySetting& k : saved.keys) keys_of[k.player][k.action] = 0;
  for (const KeySetting& k : saved.keys) {
    int code = key_code(k.name.c_str());
    const char* why = !code                ? "no such key"
                      : key_reserved(code) ? "a key the game itself uses"
                                           : nullptr;
    for (int p = 1; p <= BOUND_PLAYERS && !why; p++)
      for (int a = 0; a < ACTIONS && !why; a++)
        if (keys_of[p][a] == code) why = "already bound";
    if (!why) {
      keys_of[k.player][k.action] = code;
      continue;
    }
    fprintf(stderr, "korvalen: %s:%d: '%s' for player%d.%s: %s, ignored\n", settings_path().c_str(),
            k.line, k.name.c_str(), k.player, key_action_names[k.action], why);
  }
  for (const KeySetting& k : saved.keys)
    if (!keys_of[k.player][k.action])
      keys_of[k.player][k.action] = binding(k.player, Action(k.action));
  for (int p = 1; p <= BOUND_PLAYERS; p++)
    for (int a = 0; a < ACTIONS; a++) set_binding(p, Action(a), keys_of[p][a]);
}

}  // namespace

void player_settings_keys() {
  bind_saved_keys(settings_load());
}

StartChoices start_choices;

// How each setting applies, named by its row: the command line's option, when given, wins.
namespace {

void use_speed(const Settings& saved, CommandLine* line) {
  int level = line->speed ? line->speed : saved.speed;
  if (level) apply_speed_level(level);
  menus.options.speed = saved.speed ? saved.speed : 1;
}

void use_pace(const Settings& saved, CommandLine* line) {
  start_choices.frame_pace = line->pace_given ? line->pace_frame : saved.pace == "frame";
}

void use_fullscreen(const Settings& saved, CommandLine* line) {
  if (line->window)
    fullscreen = false;
  else if (saved.fullscreen >= 0)
    fullscreen = saved.fullscreen == 1;
}

void use_change_mode([[maybe_unused]] const Settings& saved, [[maybe_unused]] CommandLine* line) {
#ifndef __EMSCRIPTEN__  // a page never changes the display's mode
  change_display_mode = line->change_mode || saved.change_mode == 1;
#endif
}

void use_volume(const Settings& saved, CommandLine* line) {
  start_choices.volume = line->volume >= 0 ? line->volume : saved.volume >= 0 ? saved.volume : 100;
}

void use_language(const Settings& saved, CommandLine* line) {
  language_start(!line->lang.empty() ? line->lang : saved.language);
}

// A recording and the other machine start from the described avatars: the colour screen is
// driven by keys alone there, so both sides see the same match.
void use_avatar(int p, const Settings& saved, const CommandLine& line) {
  avatars_kept = line.record.empty() && !plays_online(line);
  if (avatars_kept && saved.avatar[p]) saved_avatar[p] = saved.avatar[p];
}
void use_avatar1(const Settings& saved, CommandLine* line) {
  use_avatar(1, saved, *line);
}
void use_avatar2(const Settings& saved, CommandLine* line) {
  use_avatar(2, saved, *line);
}

void use_server(const Settings& saved, CommandLine* line) {
  if (line->server.empty()) line->server = saved.server;
}

void use_server_ca(const Settings& saved, CommandLine* line) {
  if (line->server_ca.empty()) line->server_ca = saved.server_ca;
}

void use_relay_only(const Settings& saved, CommandLine* line) {
  line->relay_only = line->relay_only || saved.relay_only == 1;
}

void use_computer_level(const Settings& saved, CommandLine*) {
  start_choices.computer_level = saved.computer_level ? saved.computer_level : 2;
}

void use_keep_recordings(const Settings& saved, CommandLine*) {
  start_choices.keep_matches = saved.keep_recordings != 0;
}

// F8's sound off, as it was left
void use_muted(const Settings& saved, CommandLine*) {
  if (saved.muted == 1 && !sound_muted()) sound_toggle_mute();
}

// listing the arenas plays none
void use_arena(const Settings& saved, CommandLine* line) {
  if (!line->list_arenas) arenas_start(saved, line->arena);
}

using SettingUse = void (*)(const Settings& saved, CommandLine* line);
constexpr SettingUse SETTING_USES[SETTING_COUNT] = {
#define SETTING_USE(id, section, name, type, low, high, words, expected, field, use) use,
    SETTINGS(SETTING_USE)
#undef SETTING_USE
};

}  // namespace

void player_settings_start(CommandLine* line) {
  Settings saved = settings_load();
  bind_saved_keys(saved);
  for (SettingUse use : SETTING_USES) use(saved, line);
}

std::string settings_where() {
  std::string path = settings_path();
  return path.empty() ? "(nowhere: no home folder)" : path;
}

void player_settings_before_frame() {
  level_before = marked_level();
  speed_screen_before = Nastavenia && !speed_level_pending();
  colour_screen_before = New_Nastavenia;
  for (int p = 1; p <= 2; p++) colour_before[p] = player[p].color;
  menu_opening = start;
}

void player_settings_after_frame() {
  if (speed_screen_before && marked_level() != level_before)
    settings_store(SETTING_SPEED, std::to_string(marked_level()));
  if (!avatars_kept) return;
  if (menu_opening && Start_Menu) {
    // the main menu opened with the described colours; the saved ones stand in for them
    player[1].color = saved_avatar[1];
    player[2].color = saved_avatar[2];
  }
  if (!colour_screen_before) return;
  for (int p = 1; p <= 2; p++) {
    if (player[p].color == colour_before[p]) continue;
    saved_avatar[p] = player[p].color;
    settings_store(p == 1 ? SETTING_AVATAR1 : SETTING_AVATAR2, std::to_string(player[p].color));
  }
}

void player_settings_window_open() {
  fullscreen_saved = fullscreen;
}

void player_settings_after_message() {
  if (fullscreen == fullscreen_saved) return;
  fullscreen_saved = fullscreen;
  settings_store(SETTING_FULLSCREEN, fullscreen ? "yes" : "no");
}
