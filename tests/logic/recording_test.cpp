// Recordings: refused at the start when nothing can be written or nobody reads the pipe
// (without waiting), cut back to their last whole frame with the end mark when the file stops
// growing, so they still replay; the format before the step clock refused by name; and when
// watched, a jump lands on the very state the recorded game was in at that recorded time,
// whether it runs on to it or back (from the start again).
#include "record/recording.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "record/playback.h"
#include "state/match_start.h"
#include "state/snapshot.h"
#include "state/state_fields.h"
#include "tests/game_state.h"

namespace {

// A new empty file to record into; its path.
std::string temp_path() {
  char path[] = "/tmp/korvalen-recording-XXXXXX";
  close(mkstemp(path));
  return path;
}

TEST(Recording, RefusedAtOnceWhenNothingCanBeWritten) {
  std::string error;
  EXPECT_FALSE(record_open("/dev/full", &error));
  EXPECT_NE(error.find("No space left"), std::string::npos) << error;

  char dir[] = "/tmp/korvalen-fifo-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string fifo = std::string(dir) + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(record_open(fifo.c_str(), &error));  // nobody reads it: no wait
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_NE(error.find("nothing reads from that pipe"), std::string::npos) << error;
  EXPECT_FALSE(record_is_open());
  unlink(fifo.c_str());
  rmdir(dir);
}

TEST(Recording, AFileThatStopsGrowingEndsAtItsLastWholeFrame) {
  const std::string path = temp_path();
  // ten frames reach the disk, then it fills: the file may not grow past 100 bytes
  struct rlimit saved, small;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  small = saved;
  small.rlim_cur = 100;
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  std::string error, why;
  ASSERT_TRUE(record_open(path.c_str(), &error)) << error;
  bool keys[KEY_CODES] = {};
  keys[int{'E'}] = true;
  for (int f = 0; f < 10; f++) record_frame(keys, 0, nullptr);  // one of 4 bytes, 9 repeats
  record_flush();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  for (int f = 0; f < 100; f++) {
    keys[int{'E'}] = f % 2;  // no two alike: 3 and 4 bytes in turn
    record_frame(keys, 0, nullptr);
  }
  record_finish();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  ASSERT_TRUE(record_lost(&why));
  EXPECT_NE(why.find("stopped after 10 frames"), std::string::npos) << why;

  // what the file holds is a whole recording: the header, ten frames and the end mark
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(recording_read_file(path.c_str(), &bytes, &error)) << error;
  EXPECT_EQ(bytes.size(), recording_header().size() + 4 + 2 + 5);
  put_startup_state();
  EXPECT_EQ(recording_run(bytes.data(), bytes.size(), &error), 10) << error;

  // a recording that could be written whole is not lost
  ASSERT_TRUE(record_open(path.c_str(), &error)) << error;
  for (int f = 0; f < 3; f++) record_frame(keys, 0, nullptr);
  record_finish();
  EXPECT_FALSE(record_lost(&why)) << why;
  ASSERT_TRUE(recording_read_file(path.c_str(), &bytes, &error)) << error;
  put_startup_state();
  EXPECT_EQ(recording_run(bytes.data(), bytes.size(), &error), 3) << error;
  put_startup_state();
  std::remove(path.c_str());
}

// A recording of version 1.1.0 (format 1: one step a picture, by the rules of then) bears
// this game's version number: it is refused by its format, never run by today's rules.
TEST(Recording, TheFormatBeforeTheStepClockIsRefusedByName) {
  const std::string old_header = std::string("KORVREC\n") + '\1' + '\0' + '\5' + "1.1.0";
  const std::string frames = std::string("F\0\0F\1E\0Z\2\0\0\0", 12);
  const std::string bytes = old_header + frames;
  std::string error;
  put_startup_state();
  EXPECT_EQ(
      recording_run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &error), -1);
  EXPECT_NE(error.find("recorded by Korvalen 1.1.0 (format 1)"), std::string::npos) << error;
  // format 2 (every frame whole, no match start) bears today's version, and is refused too
  std::string format2 = recording_header().substr(0, recording_header().find('S', 10));
  format2[8] = 2;
  const std::string bytes2 = format2 + frames;
  EXPECT_EQ(
      recording_run(reinterpret_cast<const std::uint8_t*>(bytes2.data()), bytes2.size(), &error),
      -1);
  EXPECT_NE(error.find("(format 2); this is"), std::string::npos) << error;
  // the same steps under this format's header run
  const std::string now = recording_header() + frames;
  put_startup_state();
  EXPECT_EQ(recording_run(reinterpret_cast<const std::uint8_t*>(now.data()), now.size(), &error), 2)
      << error;
  put_startup_state();
}

// The match start goes with the header; a repeat record repeats the last frame's keys with
// no speed mark, and it and a change record need a frame before them.
TEST(Recording, TheMatchStartAndRepeatsReadBackAsWritten) {
  match_start_set_seed(0x01020304);
  match_start_set_arena("Hill", "1\n2\n3\n4\n5\n");
  const std::string header = recording_header();
  match_start = MatchStart{};
  const std::string frames = std::string("F\1E\3R\2Z\3\0\0\0", 11);
  const std::string bytes = header + frames;
  RecordingReader reader;
  std::string error;
  ASSERT_TRUE(recording_begin(&reader, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                              bytes.size(), &error))
      << error;
  EXPECT_EQ(reader.start.seed, 0x01020304u);
  EXPECT_EQ(reader.start.sector, 0);
  EXPECT_TRUE(reader.start.arena_given);
  EXPECT_EQ(reader.start.arena_text, "1\n2\n3\n4\n5\n");
  EXPECT_EQ(reader.start.arena_name, "Hill");
  put_startup_state();
  static int marks[3];
  auto count = [](const FrameInput& in, DrawAndPresent) {
    EXPECT_TRUE(in.keys[int{'E'}]);
    marks[in.speed_level == 3 ? 0 : 1]++;
  };
  while (recording_next(&reader, count, nullptr, &error) > 0) {
  }
  EXPECT_EQ(error, "");
  EXPECT_EQ(marks[0], 1) << "the frame's own speed mark";
  EXPECT_EQ(marks[1], 2) << "the repeats, unmarked";
  const std::string no_frame = header + std::string("R\1Z\1\0\0\0", 7);
  put_startup_state();
  EXPECT_EQ(recording_run(reinterpret_cast<const std::uint8_t*>(no_frame.data()), no_frame.size(),
                          &error),
            -1);
  EXPECT_NE(error.find("a broken repeat record"), std::string::npos) << error;
  const std::string no_change = header + std::string("D\1EZ\1\0\0\0", 8);
  put_startup_state();
  EXPECT_EQ(recording_run(reinterpret_cast<const std::uint8_t*>(no_change.data()), no_change.size(),
                          &error),
            -1)
      << "a change needs a frame before it";
  put_startup_state();
}

constexpr int MENU_STEPS = 4;  // main menu, New, the colour screen, the match
constexpr long long STEPS = 40 * PLAYBACK_TICKS_PER_SECOND;  // level 1: a tick a step

// Plays and records a match at level 1: both players walk, turn, shoot and change bows on keys
// from a seeded generator. Leaves the state hash after every 1000th step in *hashes.
std::vector<std::uint8_t> record_match(std::map<long long, std::uint64_t>* hashes) {
  const std::string path = temp_path();
  std::string error;
  EXPECT_TRUE(record_open(path.c_str(), &error)) << error;
  put_startup_state();
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
  EXPECT_TRUE(recording_read_file(path.c_str(), &bytes, &error)) << error;
  std::remove(path.c_str());
  return bytes;
}

TEST(Playback, JumpsLandOnTheRecordedStateForwardAndBack) {
  Dump_Init();
  put_startup_state();
  std::map<long long, std::uint64_t> recorded = {{0, State_Hash()}};
  std::vector<std::uint8_t> bytes = record_match(&recorded);
  ASSERT_TRUE(move) << "the recorded match never started";
  const std::uint64_t recorded_end = State_Hash();

  put_startup_state();
  Playback p;
  std::string error;
  ASSERT_TRUE(playback_open(&p, bytes, &error)) << error;
  EXPECT_EQ(p.total_ticks, STEPS);
  EXPECT_EQ(State_Hash(), recorded[0]) << "the whole recording ran, then the start came back";
  // a recording broken half way is refused, and leaves the game as it found it
  std::vector<std::uint8_t> broken(bytes.begin(), bytes.begin() + bytes.size() / 2);
  broken.push_back(0xff);
  Playback refused;
  EXPECT_FALSE(playback_open(&refused, broken, &error));
  EXPECT_EQ(State_Hash(), recorded[0]) << "the broken recording's frames stayed";

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
