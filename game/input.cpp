// The step's input record, put together from every input source, and the one way a step
// is run and recorded.
#include "game/input.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "bot/bot.h"
#include "flow/screen.h"
#include "game/keep.h"
#include "game/step_sounds.h"
#include "platform/platform.h"
#include "record/recording.h"
#include "state/bindings.h"
#include "state/game_random.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"

static int speed_level_marked;
static int pressing[16], pressing_count, pressing_next;
static bool held_back[KEY_CODES];
static bool window_was_active = true;

// The keyboard's keys become the game's own (the players' bindings); the pads already press
// the game's own keys and go into the record as they are.
void read_local_keys(bool game_keys[KEY_CODES]) {
  bool keyboard[KEY_CODES] = {};
  std::memset(game_keys, 0, KEY_CODES);
  for (int code = 1; code < KEY_CODES; code++) {
    int who = KeyHolders(code);
    if (held_back[code] && who) continue;
    held_back[code] = false;
    if (who & KEY_HOLDER_KEYBOARD) keyboard[code] = true;
    if (who & ~KEY_HOLDER_KEYBOARD) game_keys[code] = true;
  }
  keyboard_to_game(keyboard, game_keys);
}

void apply_speed_level(int level) {
  speed_level_marked = level;
}

int take_speed_level() {
  int level = speed_level_marked;
  speed_level_marked = 0;
  return level;
}

bool speed_level_pending() {
  return speed_level_marked != 0;
}

void run_step(const FrameInput& in, DrawAndPresent draw_and_present) {
  // a match kept on its own starts from the state before the step that starts it. Only the
  // colour screen's Space starts a match (New, handled at the step's end): the main menu's
  // choice that opens the colour screen latches Space, so a match never starts in the step
  // that opens it. The state is kept aside only while the colour screen is up, not on every
  // step the menus are shown.
  static GameSnapshot before;
#ifdef __EMSCRIPTEN__
  const bool may_start = false;  // the page keeps no recordings
#else
  const bool may_start = keeping_matches() && (New_Nastavenia || New);
#endif
  if (may_start) snapshot_take(&before);
  long reads = map_reads();
  run_frame_heard(in, draw_and_present);
  const MapText* started = map_reads() != reads ? &map_last_read() : nullptr;
#ifndef __EMSCRIPTEN__
  if (started && may_start) keep_match_start(before);
#endif
  record_frame(in.commands, in.speed_level, started);
  record_flush_if_due();
}

// Between matches the next one is given a seed from the clock, so no two matches drop the
// same bows; the recording holds it with the match's start.
// KORVALEN_MATCH_SEED=N gives every match the seed N instead (1 is the bows' sequence as
// the generator starts): the game tests want the same drops in every run.
static bool fixed_match_seed(std::uint32_t* seed) {
  const char* text = getenv("KORVALEN_MATCH_SEED");
  if (!text || !*text) return false;
  char* end = nullptr;
  unsigned long long value = strtoull(text, &end, 10);
  if (*end || value > 0xffffffffULL) return false;
  *seed = static_cast<std::uint32_t>(value);
  return true;
}

std::uint32_t draw_match_seed() {
  std::uint32_t fixed;
  if (fixed_match_seed(&fixed)) return fixed;
  auto now = std::chrono::system_clock::now().time_since_epoch();
  auto ns = static_cast<unsigned long long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
  return static_cast<std::uint32_t>(ns ^ (ns >> 32));
}

static void give_match_seed() {
  if (move || match_seed_pending(nullptr)) return;
  match_seed_give(draw_match_seed());
}

// The end screen's R plays the same match again by pressing what a player would, one key
// a step with a step between to let it go: Space back to the main menu, Space for "New",
// on the colour screen each player's right key until he wears the avatar he wore (player
// 2's only when a person plays him: the computer's player's keys are its own), Space to
// start. The main menu may put saved avatars in place of the described ones, so the colour
// screen is looked at, not worked out beforehand. The computer and the arena stay as they
// were; the steps are recorded like any others. Anything unexpected on the way (another
// screen up) ends the feed and hands the keys back.
namespace {
struct PlayAgain {
  int phase;  // 0: none; 1: Space on the end screen; 2: Space on the main menu; 3: avatars
  bool let_go;
  int wanted[PLAYER_RECORDS];  // 0: leave him as he is
  int presses;
};
PlayAgain again;
bool again_key_was_down;

void plan_play_again() {
  again = PlayAgain{};
  again.phase = 1;
  for (int numb = 1; numb <= 2; numb++) {
    int colour = player[numb].color;
    if (colour >= 1 && colour <= 6 && !bot_level(numb)) again.wanted[numb] = colour;
  }
}

// The key the next step of the feed presses: 0 for none, -1 when the feed is over.
int play_again_key() {
  if (again.let_go) {
    again.let_go = false;
    return 0;
  }
  Screen up = screen_up();
  int key = -1;
  if (again.phase == 1 && up == SCREEN_END) {
    key = VK_SPACE;
    again.phase = 2;
  } else if (again.phase == 2 && up == SCREEN_MAIN_MENU && QNew) {
    key = VK_SPACE;
    again.phase = 3;
  } else if (again.phase == 3 && up == SCREEN_COLOUR) {
    key = VK_SPACE;
    for (int numb = 1; numb <= 2 && key == VK_SPACE; numb++)
      if (again.wanted[numb] && player[numb].color != again.wanted[numb] && again.presses < 12) {
        key = game_key(numb, ACTION_RIGHT);
        again.presses++;
      }
    if (key == VK_SPACE) again.phase = 0;
  }
  if (key < 0) {
    again.phase = 0;
    return -1;
  }
  again.let_go = true;
  return key;
}

// Puts the feed's key in the step's keys, in place of what was held; false when no feed
// is running.
bool play_again_step(const bool keys_read[KEY_CODES], bool step_keys[KEY_CODES]) {
  bool key_down = keys_read[int{'R'}];
  if (again.phase == 0 && !again.let_go && key_down && !again_key_was_down &&
      screen_up() == SCREEN_END)
    plan_play_again();
  again_key_was_down = key_down;
  if (again.phase == 0 && !again.let_go) return false;
  int code = play_again_key();
  if (code < 0) return false;
  std::memset(step_keys, 0, KEY_CODES);
  if (code > 0) step_keys[code] = true;
  return true;
}
}  // namespace

void local_step(const bool keys_read[KEY_CODES], DrawAndPresent draw_and_present) {
  give_match_seed();
  bool step_keys[KEY_CODES];
  if (!play_again_step(keys_read, step_keys)) std::memcpy(step_keys, keys_read, KEY_CODES);
  if (steps_pressing()) {
    std::memset(step_keys, 0, KEY_CODES);
    if (int code = pressing[pressing_next++]) step_keys[code] = true;
  }
  FrameInput in;
  in.commands = commands_of_keys(step_keys);
  in.speed_level = take_speed_level();
  // the computer's commands over the keyboard's
  bot_press(&in.commands);
  run_step(in, draw_and_present);
}

void local_frame(DrawAndPresent draw_and_present) {
  bool keys_read[KEY_CODES];
  read_local_keys(keys_read);
  local_step(keys_read, draw_and_present);
}

void press_in_steps(const int* codes, int count) {
  pressing_count = pressing_next = 0;
  for (int i = 0; i < count && i < int(sizeof pressing / sizeof pressing[0]); i++)
    pressing[pressing_count++] = codes[i];
}

bool steps_pressing() {
  return pressing_next < pressing_count;
}

void hold_back_held_keys() {
  for (int code = 1; code < KEY_CODES; code++)
    if (KeyHolders(code)) held_back[code] = true;
}

void note_window(bool is_active, bool closed) {
  if (is_active != window_was_active) record_active(is_active);
  window_was_active = is_active;
  if (closed) record_close();
  record_flush_if_due();
}
