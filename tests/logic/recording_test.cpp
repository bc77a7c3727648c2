// Recordings: refused at the start when nothing can be written or nobody reads the pipe
// (without waiting), cut back to their last whole frame with the end mark when the file stops
// growing, so they still replay; the format before the step clock refused by name; and when
// watched, a jump lands on the very state the recorded game was in at that recorded time,
// whether it runs on to it or back (from the start again).
#include "record/recording.h"

#include <fcntl.h>
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

// Bytes as written, zeros and all.
std::string raw(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

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
  StepCommands held;
  held.player[0].set(COMMAND_OWN + ACTION_UP, true);
  for (int f = 0; f < 10; f++) record_frame(held, 0, nullptr);  // one of 12 bytes, 9 repeats
  record_flush();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  for (int f = 0; f < 100; f++) {
    held.player[0].set(COMMAND_OWN + ACTION_UP, f % 2);  // no two alike: 2 bytes each
    record_frame(held, 0, nullptr);
  }
  record_finish();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  ASSERT_TRUE(record_lost(&why));
  EXPECT_NE(why.find("stopped after 10 frames"), std::string::npos) << why;

  // what the file holds is a whole recording: the header, ten frames and the end mark
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(recording_read_file(path.c_str(), &bytes, &error)) << error;
  EXPECT_EQ(bytes.size(), recording_header().size() + 12 + 2 + 5);
  put_startup_state();
  EXPECT_EQ(recording_run(bytes.data(), bytes.size(), &error), 10) << error;

  // a recording that could be written whole is not lost
  ASSERT_TRUE(record_open(path.c_str(), &error)) << error;
  for (int f = 0; f < 3; f++) record_frame(held, 0, nullptr);
  record_finish();
  EXPECT_FALSE(record_lost(&why)) << why;
  ASSERT_TRUE(recording_read_file(path.c_str(), &bytes, &error)) << error;
  put_startup_state();
  EXPECT_EQ(recording_run(bytes.data(), bytes.size(), &error), 3) << error;
  put_startup_state();
  std::remove(path.c_str());
}

// A game started with its standard input closed records into descriptor 0: the finished
// recording lets it go like any other, so no match leaves a file open.
TEST(Recording, AFinishedRecordingLeavesNoFileOpenWhateverItsDescriptor) {
  const std::string path = temp_path();
  const int saved_input = dup(0);
  ASSERT_GE(saved_input, 0);
  close(0);
  std::string error;
  const bool opened = record_open(path.c_str(), &error);
  const bool took_zero = fcntl(0, F_GETFD) >= 0;
  record_finish();
  const bool left_open = fcntl(0, F_GETFD) >= 0;
  dup2(saved_input, 0);
  close(saved_input);
  std::remove(path.c_str());
  ASSERT_TRUE(opened) << error;
  ASSERT_TRUE(took_zero);
  EXPECT_FALSE(left_open);
}

// A recording of version 1.1.0 (format 1: one step a picture, by the rules of then) bears
// this game's version number: it is refused by its format, never run by today's rules.
TEST(Recording, TheFormatBeforeTheStepClockIsRefusedByName) {
  const std::string old_header = std::string("KORVREC\n") + '\1' + '\0' + '\5' + "1.1.0";
  // a frame with nothing held, then one with player 1's Up changed
  const std::string frames = 'F' + std::string(11, '\0') + raw({0x80, 0}) + raw({'Z', 2, 0, 0, 0});
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

// The match start goes with the header; a repeat record repeats the last frame's commands
// with no speed mark, and it and a change record need a frame before them; a change record's
// bits rise and name one of the two players' 35.
TEST(Recording, TheMatchStartAndRepeatsReadBackAsWritten) {
  match_start_set_seed(0x01020304);
  match_start_set_sector(0, "Hill");
  match_start_set_map(true, "1\n2\n3\n4\n5\n");
  const std::string header = recording_header();
  match_start = MatchStart{};
  // player 1 holds Up, with level 3 marked; two frames more alike
  const std::string frames =
      raw({'F', 3, 1}) + std::string(9, '\0') + raw({'R', 2, 'Z', 3, 0, 0, 0});
  const std::string bytes = header + frames;
  RecordingReader reader;
  std::string error;
  ASSERT_TRUE(recording_begin(&reader, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                              bytes.size(), &error))
      << error;
  EXPECT_EQ(reader.start.seed, 0x01020304u);
  EXPECT_TRUE(reader.start.seeded);
  EXPECT_EQ(reader.start.sector, 0);
  EXPECT_TRUE(reader.start.map_present);
  EXPECT_EQ(reader.start.map_text, "1\n2\n3\n4\n5\n");
  EXPECT_EQ(reader.start.arena_name, "Hill");
  put_startup_state();
  static int marks[3];
  auto count = [](const FrameInput& in, DrawAndPresent) {
    EXPECT_EQ(in.commands.player[0].held, 1u << (COMMAND_OWN + ACTION_UP));
    EXPECT_EQ(in.commands.player[1].held, 0u);
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
  const std::string whole_frame = 'F' + std::string(11, '\0');
  const std::string end2 = raw({'Z', 2, 0, 0, 0});
  const std::pair<std::string, const char*> broken[] = {
      {header + raw({0x80, 0, 'Z', 1, 0, 0, 0}), "a broken change record"},  // no frame before
      {header + whole_frame + raw({0x85, 0x83, 0}) + end2, "a broken change record"},  // falling
      {header + whole_frame + raw({0x83, 0x83, 0}) + end2, "a broken change record"},  // twice
      {header + whole_frame + raw({0xC6, 0}) + end2, "a broken change record"},        // bit 70
      {header + whole_frame + raw({0x83, 0x84}), "a broken change record"},            // no count
      {header + raw({'F', 0, 0, 0, 0, 0, 0x08}) + std::string(5, '\0') + raw({'Z', 1, 0, 0, 0}),
       "a broken frame record"},  // player 1's bit 35
  };
  for (const auto& [bytes_broken, message] : broken) {
    put_startup_state();
    EXPECT_EQ(recording_run(reinterpret_cast<const std::uint8_t*>(bytes_broken.data()),
                            bytes_broken.size(), &error),
              -1)
        << message;
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
  // a change's own count of like frames runs them with its commands
  const std::string counted = header + whole_frame + raw({0xA3, 5, 'Z', 7, 0, 0, 0});
  put_startup_state();
  EXPECT_EQ(
      recording_run(reinterpret_cast<const std::uint8_t*>(counted.data()), counted.size(), &error),
      7)
      << error;
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
    bool held[KEY_CODES] = {};
    if (step <= MENU_STEPS) {
      held[VK_SPACE] = step % 2 == 0;
    } else {
      if (step % 150 == 0) seed = seed * 1103515245 + 12345;
      for (int k = 0; k < 12; k++) held[players_keys[k]] = (seed >> (k + 8)) % 3 == 0;
    }
    in.commands = commands_of_keys(held);
    const long reads = map_reads();
    run_frame_input(in, nullptr);
    record_frame(in.commands, 0, map_reads() != reads ? &map_last_read() : nullptr);
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

// Plays a match as the game keeps it: player 1 takes the third avatar, the match start is
// given seed, and the file begins from the state before the step that starts the match.
// Leaves the recording's bytes, and the state the match ended in.
std::vector<std::uint8_t> keep_one_match(std::uint32_t seed, GameSnapshot* end) {
  const std::string path = temp_path();
  std::string error;
  put_startup_state();
  // the main menu, New, player 1's right key twice on the colour screen, Space to start
  const int menu_keys[] = {0, ' ', 0, 'F', 0, 'F', 0, ' '};
  const int players_keys[] = {'E', 'S', 'D', 'F', 'A', 'Q', 'I', 'J', 'K', 'L', 'M', 'N'};
  unsigned keys_seed = 11;
  GameSnapshot before;
  FrameInput in;
  bool keys[KEY_CODES];
  bool open = false;
  for (int step = 0; step < 8 + 20000; step++) {
    std::memset(keys, 0, sizeof keys);
    if (step < 8) {
      keys[menu_keys[step]] = menu_keys[step] != 0;
    } else {
      if (step % 150 == 0) keys_seed = keys_seed * 1103515245 + 12345;
      for (int k = 0; k < 12; k++) keys[players_keys[k]] = (keys_seed >> (k + 8)) % 3 == 0;
    }
    in.commands = commands_of_keys(keys);
    if (step == 7) match_seed_give(seed);
    snapshot_take(&before);
    const long reads = map_reads();
    run_frame_input(in, nullptr);
    const bool started = map_reads() != reads;
    if (started) {
      EXPECT_EQ(match_start.seed, seed);
      GameSnapshot after;
      snapshot_take(&after);
      snapshot_put(before);
      EXPECT_TRUE(record_open_match(path.c_str(), match_start, &error)) << error;
      snapshot_put(after);
      open = true;
    }
    if (open) record_frame(in.commands, 0, started ? &map_last_read() : nullptr);
  }
  EXPECT_TRUE(open) << "the match never started";
  record_finish();
  snapshot_take(end);
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(recording_read_file(path.c_str(), &bytes, &error)) << error;
  std::remove(path.c_str());
  return bytes;
}

// A kept match runs from its own start, not the start-up state, to where the match ended,
// with its avatars and its bows; another seed drops other bows.
TEST(Recording, AMatchKeptOnItsOwnRunsFromItsOwnStart) {
  Dump_Init();
  GameSnapshot ended[2];
  std::vector<std::uint8_t> bytes = keep_one_match(4242, &ended[0]);
  snapshot_put(ended[0]);
  const std::uint64_t end_hash = State_Hash();
  ASSERT_EQ(player[1].color, 3);
  keep_one_match(77, &ended[1]);
  bool other_bows = false;
  for (int k = 0; k < GROUND_BOWS; k++)
    other_bows = other_bows || ended[0].g_wepon[k].id != ended[1].g_wepon[k].id ||
                 ended[0].g_wepon[k].x != ended[1].g_wepon[k].x;
  EXPECT_TRUE(other_bows) << "two seeds, the same bows";

  put_startup_state();
  std::string error;
  EXPECT_EQ(recording_run(bytes.data(), bytes.size(), &error), 20000 + 1) << error;
  EXPECT_EQ(State_Hash(), end_hash);
  EXPECT_EQ(player[1].color, 3) << "the kept match's own avatar";
  EXPECT_EQ(match_seed(), 4242u);

  // a starting state out of its fields' ranges is refused whole, and changes nothing
  RecordingReader reader;
  ASSERT_TRUE(recording_begin(&reader, bytes.data(), bytes.size(), &error));
  EXPECT_TRUE(reader.from_state);
  const std::size_t state_at = recording_header(reader.start, std::string()).size();
  ASSERT_EQ(bytes[state_at], 'T');
  std::vector<std::uint8_t> bad = bytes;
  bad[state_at + 5] = 7;  // the first field, a flag
  put_startup_state();
  const std::uint64_t startup_hash = State_Hash();
  EXPECT_EQ(recording_run(bad.data(), bad.size(), &error), -1);
  EXPECT_NE(error.find("starting state"), std::string::npos) << error;
  EXPECT_EQ(State_Hash(), startup_hash);
  put_startup_state();
}
