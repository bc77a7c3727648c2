// Watching a recording: a jump lands on the very state the recorded game was in at that
// recorded time, whether it runs on to it or back (from the start again).
#include "record/playback.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "state/state_fields.h"
#include "tests/game_state.h"

namespace {

constexpr int MENU_STEPS = 4;  // main menu, New, the colour screen, the match
constexpr long long STEPS = 40 * PLAYBACK_TICKS_PER_SECOND;  // level 1: a tick a step

// Plays and records a match at level 1: both players walk, turn, shoot and change bows on keys
// from a seeded generator. Leaves the state hash after every 1000th step in *hashes.
std::vector<std::uint8_t> record_match(std::map<long long, std::uint64_t>* hashes) {
  char path[] = "/tmp/korvalen-playback-XXXXXX";
  const int fd = mkstemp(path);
  close(fd);
  std::string error;
  EXPECT_TRUE(record_open(path, &error)) << error;
  snapshot_put(startup_state());
  const int players_keys[] = {'E', 'S', 'D', 'F', 'A', 'Q', 'I', 'J', 'K', 'L', 'M', 'N'};
  unsigned seed = 7;
  FrameInput in;
  for (long long step = 1; step <= STEPS; step++) {
    std::memset(in.keys, 0, sizeof in.keys);
    if (step <= MENU_STEPS) {
      in.keys[' '] = step % 2 == 0;
    } else {
      if (step % 150 == 0) seed = seed * 1103515245 + 12345;
      for (int k = 0; k < 12; k++) in.keys[players_keys[k]] = (seed >> (k + 8)) % 3 == 0;
    }
    const long reads = map_reads();
    run_frame_input(in, nullptr);
    record_frame(in.keys, 0, map_reads() != reads ? &map_last_read() : nullptr);
    if (step % 1000 == 0) (*hashes)[step] = State_Hash();
  }
  record_finish();
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(recording_read_file(path, &bytes, &error)) << error;
  std::remove(path);
  return bytes;
}

TEST(Playback, JumpsLandOnTheRecordedStateForwardAndBack) {
  Dump_Init();
  snapshot_put(startup_state());
  std::map<long long, std::uint64_t> recorded = {{0, State_Hash()}};
  std::vector<std::uint8_t> bytes = record_match(&recorded);
  ASSERT_TRUE(move) << "the recorded match never started";
  const std::uint64_t recorded_end = State_Hash();

  snapshot_put(startup_state());
  Playback p;
  std::string error;
  ASSERT_TRUE(playback_open(&p, bytes, &error)) << error;
  EXPECT_EQ(p.total_ticks, STEPS);
  EXPECT_EQ(State_Hash(), recorded[0]) << "the whole recording ran, then the start came back";

  // frame by frame to 3 s, as the watch plays; then on 10 s, on 10 s, back 10 s, ..., start
  while (p.ticks < 3000) ASSERT_TRUE(playback_step(&p, run_frame_input, nullptr));
  EXPECT_EQ(State_Hash(), recorded[3000]);
  for (long long to : {13000, 23000, 13000, 3000, 33000, 0}) {
    playback_seek(&p, to, nullptr);
    EXPECT_EQ(p.ticks, to);
    EXPECT_EQ(State_Hash(), recorded[to]) << "after the jump to tick " << to;
  }

  // past the end: the last frame, which is where the recorded game stopped
  playback_seek(&p, STEPS + 30000, nullptr);
  EXPECT_EQ(p.ticks, STEPS);
  EXPECT_FALSE(playback_step(&p, run_frame_input, nullptr));
  EXPECT_TRUE(p.ended);
  EXPECT_EQ(State_Hash(), recorded_end);
}

}  // namespace
