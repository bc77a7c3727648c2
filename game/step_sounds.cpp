// A step heard: its sound events, read around it, go to the mixer.
#include "game/step_sounds.h"

#include "flow/sound_events.h"
#include "platform/sound.h"

void run_frame_heard(const FrameInput& in, DrawAndPresent draw_and_present) {
  SoundWatch before = sound_watch();
  run_frame_input(in, draw_and_present);
  sound_play(sound_events(before, sound_watch()));
}
