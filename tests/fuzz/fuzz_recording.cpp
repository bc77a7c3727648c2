// Fuzz target: the recording reader and the frames it drives, from the start-up state, on
// arbitrary bytes: a frame count or a refusal with its reason, never a crash or a read past
// them. Inputs not starting as a recording get this version's header: they outlive versions.
// A recording the replay runs is watched too, to its end, which must be the replay's.
#include <cstdint>
#include <string>

#include "fuzz_fail.h"
#include "record/playback.h"
#include "record/recording.h"
#include "state/state_fields.h"
#include "tests/game_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool fields_listed = (Dump_Init(), true);
  (void)fields_listed;
  put_startup_state();
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.compare(0, 8, "KORVREC\n") != 0) bytes = recording_header() + bytes;
  std::string error;
  // as recording_run, but a repeat count of a million frames is a few bytes: a recording
  // longer than FRAMES_MOST is left, it would only run the same frames for long
  constexpr long long FRAMES_MOST = 5000;
  RecordingReader reader;
  if (!recording_begin(&reader, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                       &error)) {
    if (error.empty()) fuzz_fail("refused without a reason");
    return 0;
  }
  int read;
  while ((read = recording_next(&reader, run_frame_input, nullptr, &error)) > 0 &&
         reader.frames < FRAMES_MOST) {
  }
  if (read < 0 && error.empty()) fuzz_fail("refused without a reason");
  if (read != 0) return 0;
  active = reader.window_active;
  done = done || reader.closed;
  const long long frames = reader.frames;
  const std::uint64_t replayed = State_Hash();
  put_startup_state();
  Playback watched;
  if (!playback_open(&watched, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), &error))
    fuzz_fail("watching refuses a recording the replay runs");
  playback_seek(&watched, watched.total_ticks / 2, nullptr);
  playback_seek(&watched, watched.total_ticks / 4, nullptr);  // back: from the start again
  while (playback_step(&watched, run_frame_input, nullptr)) {
  }
  active = watched.reader.window_active;  // the recording's window, as the replay leaves it
  if (watched.reader.frames != frames || State_Hash() != replayed)
    fuzz_fail("watching ends elsewhere than the replay");
  return 0;
}
