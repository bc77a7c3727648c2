// The step's input record, put together from every input source, and the one way a step
// is run and recorded.
#include "game/input.h"

#include <chrono>
#include <cstring>

#include "bot/bot.h"
#include "flow/screen.h"
#include "game/step_sounds.h"
#include "platform/platform.h"
#include "record/recording.h"
#include "state/bindings.h"
#include "state/game_random.h"
#include "state/lybrary3.h"

static int speed_level_marked;
static bool window_was_active = true;

// The keyboard's keys become the game's own (the players' bindings); the pads already press
// the game's own keys and go into the record as they are.
void read_local_keys(FrameInput* in) {
  bool keyboard[KEY_CODES] = {};
  std::memset(in->keys, 0, sizeof in->keys);
  for (int code = 1; code < KEY_CODES; code++) {
    int who = KeyHolders(code);
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

// Between matches the next one is given a seed from the clock, so no two matches drop the
// same bows. A recording does not hold the seed yet: while one is made the bows fall as
// they always did, so that running it again gives the same match.
static void give_match_seed() {
  if (move || record_is_open() || match_seed_pending(nullptr)) return;
  auto now = std::chrono::system_clock::now().time_since_epoch();
  auto ns = static_cast<unsigned long long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
  match_seed_give(static_cast<std::uint32_t>(ns ^ (ns >> 32)));
}

// The end screen's R plays the same match again by pressing what a player would, one key
// a step with a step between to let it go: Space back to the main menu, Space for "New",
// player 1's right key until his avatar is the one he wore (player 2's too, unless the
// computer plays him: its player's keys are its own), Space to start. The computer and
// the arena stay as they were; the steps are recorded like any others.
namespace {
constexpr int AGAIN_MAX = 40;
int again_keys[AGAIN_MAX];
int again_count, again_next;
bool again_key_was_down;

void again_press(int code) {
  if (again_count + 2 > AGAIN_MAX) return;
  again_keys[again_count++] = code;
  again_keys[again_count++] = 0;
}

// Presses of a player's right key that bring the colour screen's default avatar to his.
int colour_steps(int numb, int from) {
  int colour = player[numb].color;
  return colour >= 1 && colour <= 6 ? (colour - from + 6) % 6 : 0;
}

void plan_play_again() {
  again_count = again_next = 0;
  again_press(VK_SPACE);
  again_press(VK_SPACE);
  // the main menu puts the avatars back to 1 and 2
  for (int k = colour_steps(1, 1); k > 0; k--) again_press(game_key(1, ACTION_RIGHT));
  if (!bot_level(2))
    for (int k = colour_steps(2, 2); k > 0; k--) again_press(game_key(2, ACTION_RIGHT));
  again_press(VK_SPACE);
}

// Puts the next planned key in the step's record, in place of what was held; false when
// nothing is planned.
bool play_again_step(const FrameInput& keys_read, FrameInput* in) {
  bool key_down = keys_read.keys[int{'R'}];
  if (again_next >= again_count && key_down && !again_key_was_down && screen_up() == SCREEN_END)
    plan_play_again();
  again_key_was_down = key_down;
  if (again_next >= again_count) return false;
  std::memset(in->keys, 0, sizeof in->keys);
  if (int code = again_keys[again_next++]) in->keys[code] = true;
  return true;
}
}  // namespace

void local_step(const FrameInput& keys_read, DrawAndPresent draw_and_present) {
  give_match_seed();
  FrameInput in;
  if (!play_again_step(keys_read, &in)) std::memcpy(in.keys, keys_read.keys, sizeof in.keys);
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
