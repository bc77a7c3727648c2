// The step's input record, put together from every input source, and the one way a step
// is run and recorded.
#include "game/input.h"

#include <cstring>

#include "bot/bot.h"
#include "game/step_sounds.h"
#include "platform/platform.h"
#include "record/recording.h"
#include "state/lybrary3.h"

static int speed_level_marked;
static bool window_was_active = true;

void read_local_keys(FrameInput* in) {
  std::memcpy(in->keys, held_keys, sizeof in->keys);
}

void apply_speed_level(int level) {
  speed_level_marked = level;
}

int take_speed_level() {
  int level = speed_level_marked;
  speed_level_marked = 0;
  return level;
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
  // the computer presses its player's keys over the keyboard's
  bot_press_keys(in.keys);
  run_step(in, draw_and_present);
}

void local_frame(DrawAndPresent draw_and_present) {
  FrameInput in;
  read_local_keys(&in);
  local_step(in, draw_and_present);
}

void note_window(bool is_active, bool closed) {
  if (is_active != window_was_active) record_active(is_active);
  window_was_active = is_active;
  if (closed) record_close();
  record_flush_if_due();
}
