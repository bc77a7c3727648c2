// The step's input record, put together from every input source, and the one way a step
// is run and recorded.
#include "game/input.h"

#include <cstring>

#include "bot/bot.h"
#include "game/step_sounds.h"
#include "platform/platform.h"
#include "record/recording.h"
#include "state/bindings.h"
#include "state/lybrary3.h"

static int speed_level_marked;
static int pressing[16], pressing_count, pressing_next;
static bool held_back[KEY_CODES];
static bool window_was_active = true;

// The keyboard's keys become the game's own (the players' bindings); the pads already press
// the game's own keys and go into the record as they are.
void read_local_keys(FrameInput* in) {
  bool keyboard[KEY_CODES] = {};
  std::memset(in->keys, 0, sizeof in->keys);
  for (int code = 1; code < KEY_CODES; code++) {
    int who = KeyHolders(code);
    if (held_back[code] && who) continue;
    held_back[code] = false;
    if (who & KEY_HOLDER_KEYBOARD) keyboard[code] = true;
    if (who & ~KEY_HOLDER_KEYBOARD) in->keys[code] = true;
  }
  keyboard_to_game(keyboard, in->keys);
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
  long reads = map_reads();
  run_frame_heard(in, draw_and_present);
  record_frame(in.keys, in.speed_level, map_reads() != reads ? &map_last_read() : nullptr);
  record_flush_if_due();
}

void local_step(const FrameInput& keys_read, DrawAndPresent draw_and_present) {
  FrameInput in;
  std::memcpy(in.keys, keys_read.keys, sizeof in.keys);
  in.speed_level = take_speed_level();
  if (steps_pressing()) {
    std::memset(in.keys, 0, sizeof in.keys);
    if (int code = pressing[pressing_next++]) in.keys[code] = true;
  }
  // the computer presses its player's keys over the keyboard's
  bot_press_keys(in.keys);
  run_step(in, draw_and_present);
}

void local_frame(DrawAndPresent draw_and_present) {
  FrameInput in;
  read_local_keys(&in);
  local_step(in, draw_and_present);
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
