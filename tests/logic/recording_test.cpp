// A recording runs back to the very state the game ended in; anything that is not a whole
// recording of this version is refused with a reason, never run.
#include "record/recording.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "flow/flag_grid.h"
#include "flow/game.h"
#include "state/snapshot.h"
#include "state/state_fields.h"

namespace {

std::vector<std::uint8_t> read_all(const char* path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* f = std::fopen(path, "rb");
  for (int c; f && (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
  if (f) std::fclose(f);
  return bytes;
}

// Plays a session of random keys the way the game's loop does, minimising now and then and
// starting matches on maps that differ each time; returns the final state's hash.
std::uint64_t play_and_record(const char* path, std::mt19937* rng) {
  std::string error;
  EXPECT_TRUE(record_open(path, &error)) << error;
  const int codes[] = {' ', 13,  27,  'E', 'S', 'D', 'F', 'A', 'Q', 'I', 'J',
                       'K', 'L', 'M', 'N', 'H', '1', '2', '3', 38,  40};
  FrameInput in;
  for (int frame = 0; frame < 6000 && !done; frame++) {
    if ((*rng)() % 500 == 0) {
      active = !active;
      record_active(active);
    }
    if (!active) continue;
    if ((*rng)() % 8 == 0)
      for (int c : codes) in.keys[c] = (*rng)() % 6 == 0;
    in.keys[27] = in.keys[27] && (*rng)() % 4 == 0;  // fewer pauses
    in.speed_level = (*rng)() % 300 == 0 ? 1 + (*rng)() % 3 : 0;
    in.map_given = true;
    in.map.present = (*rng)() % 4 != 0;
    in.map.text = std::to_string((*rng)() % 3) + "\n1\n2\n3\n4\n" + std::to_string(frame) + "\n";
    long reads = map_reads();
    run_frame_input(in, nullptr);
    record_frame(in.keys, in.speed_level, map_reads() != reads ? &map_last_read() : nullptr);
  }
  if ((*rng)() % 2) {
    done = true;
    record_close();
  }
  record_finish();
  return State_Hash();
}

TEST(Recording, RunsBackToTheSameStateAndRefusesAnythingElse) {
  Dump_Init();
  game_startup_request();
  flag_grid_init();
  GameSnapshot startup;
  snapshot_take(&startup);
  char path[] = "/tmp/korvalen-recording-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::mt19937 rng(20);
  std::vector<std::uint8_t> bytes;
  const long reads_before = map_reads();
  for (int session = 0; session < 12; session++) {
    snapshot_put(startup);
    const std::uint64_t played = play_and_record(path, &rng);
    bytes = read_all(path);
    snapshot_put(startup);
    std::string error;
    EXPECT_GE(recording_run(bytes.data(), bytes.size(), &error), 0) << error;
    EXPECT_EQ(State_Hash(), played) << "session " << session;
  }
  EXPECT_GT(map_reads() - reads_before, 4) << "the sessions start matches on their maps";
  // Every cut short, and a few bytes changed where the frames cannot take them.
  std::string error;
  for (size_t cut : {size_t{0}, size_t{5}, size_t{12}, bytes.size() / 2, bytes.size() - 1}) {
    snapshot_put(startup);
    EXPECT_EQ(recording_run(bytes.data(), cut, &error), -1) << cut;
    EXPECT_FALSE(error.empty());
  }
  std::vector<std::uint8_t> other = bytes;
  other[11] = '9';  // another game version
  snapshot_put(startup);
  EXPECT_EQ(recording_run(other.data(), other.size(), &error), -1);
  EXPECT_NE(error.find("this is"), std::string::npos) << error;
  other = bytes;
  other.insert(other.end() - 5, {'F', 2, 'E', 'E', 0});  // a key twice
  snapshot_put(startup);
  EXPECT_EQ(recording_run(other.data(), other.size(), &error), -1);
  std::remove(path);
  snapshot_put(startup);
}

}  // namespace
