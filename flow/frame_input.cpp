// One frame on its inputs.
#include "flow/frame_input.h"

#include "flow/screen.h"

namespace {

bool action_held[BOUND_PLAYERS][ACTIONS];
bool shared_held[SHARED_KEYS];

}  // namespace

// Both players' commands as the keys the step reads.
void take_step_commands(const StepCommands& c) {
  const bool colour = screen_up() == SCREEN_COLOUR;
  for (int p = 0; p < BOUND_PLAYERS; p++) {
    const PlayerCommand& own = c.player[p];
    const PlayerCommand& other = c.player[BOUND_PLAYERS - 1 - p];
    for (int a = 0; a < ACTIONS; a++) {
      const bool hands_alike = move || (colour && (a == ACTION_LEFT || a == ACTION_RIGHT));
      action_held[p][a] =
          own.holds(COMMAND_OWN + a) || (hands_alike ? own : other).holds(COMMAND_OTHER_HAND + a);
    }
  }
  for (int k = 0; k < SHARED_KEYS; k++)
    shared_held[k] = c.player[0].holds(COMMAND_SHARED + k) || c.player[1].holds(COMMAND_SHARED + k);
}

bool step_holds(int code) {
  int player = 0;
  const int action = game_action(code, &player);
  if (action >= 0) return action_held[player - 1][action];
  const int bit = command_bit(1, code);
  return bit >= COMMAND_SHARED && shared_held[bit - COMMAND_SHARED];
}

#include "state/game_random.h"

void run_frame_input(const FrameInput& in, DrawAndPresent draw_and_present) {
  take_step_commands(in.commands);
  if (in.speed_level) set_speed_level(in.speed_level);
  if (in.map_given) {
    map_use_given(in.map.present, in.map.text.data(), in.map.text.size(), in.map.sector,
                  in.map.name);
    // the seed the host drew, or the recorded one: the next match start drops those bows
    // (a map with none leaves the generator to run on, whatever was given before)
    if (in.map.seeded)
      match_seed_give(in.map.seed);
    else
      match_seed_withdraw();
  }
  game_frame(draw_and_present);
}
