// The inputs of one frame, put together from every input source.
#include "game/input.h"

#include <cstring>

#include "bot/bot.h"
#include "platform/platform.h"
#include "record/recording.h"
#include "state/lybrary3.h"

static int speed_level_marked;
static bool window_was_active = true;

void gather_frame_keys() {
  memcpy(keys, held_keys, sizeof keys);
  // the computer presses its player's keys over the keyboard's
  bot_press_keys();
}

void apply_speed_level(int level) {
  speed_level_marked = level;
}

int take_speed_level() {
  int level = speed_level_marked;
  speed_level_marked = 0;
  return level;
}

void local_frame(DrawAndPresent draw_and_present) {
  FrameInput in;
  gather_frame_keys();
  memcpy(in.keys, keys, sizeof in.keys);
  in.speed_level = take_speed_level();
  long reads = map_reads();
  run_frame_input(in, draw_and_present);
  record_frame(in.keys, in.speed_level, map_reads() != reads ? &map_last_read() : nullptr);
  record_flush_if_due();
}

void note_window(bool is_active, bool closed) {
  if (is_active != window_was_active) record_active(is_active);
  window_was_active = is_active;
  if (closed) record_close();
  record_flush_if_due();
}
