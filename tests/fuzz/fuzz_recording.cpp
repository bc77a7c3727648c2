// Fuzz target: the recording reader and the frames it drives, from the start-up state, on
// arbitrary bytes: a frame count or a refusal with its reason, never a crash or a read past
// them. Inputs not starting as a recording get this version's header: they outlive versions.
#include <cstdint>
#include <string>

#include "fuzz_fail.h"
#include "record/recording.h"
#include "tests/game_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  snapshot_put(startup_state());
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.compare(0, 8, "KORVREC\n") != 0) bytes = recording_header() + bytes;
  std::string error;
  long long frames =
      recording_run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &error);
  if (frames < 0 && error.empty()) fuzz_fail("refused without a reason");
  return 0;
}
