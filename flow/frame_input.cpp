// One frame on its inputs.
#include "flow/frame_input.h"

#include <cstring>

#include "state/game_random.h"

void run_frame_input(const FrameInput& in, DrawAndPresent draw_and_present) {
  std::memcpy(keys, in.keys, sizeof keys);
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
