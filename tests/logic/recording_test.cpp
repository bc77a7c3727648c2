// A recording that cannot be written whole: refused at the start when nothing can be
// written or nobody reads the pipe (without waiting), and cut back to its last whole frame
// with its end mark when the file stops growing, so it still replays.
#include "record/recording.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "record/playback.h"
#include "state/snapshot.h"
#include "tests/game_state.h"

namespace {

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
  char path[] = "/tmp/korvalen-recording-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  // ten frames reach the disk, then it fills: the file may not grow past 100 bytes
  struct rlimit saved, small;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  small = saved;
  small.rlim_cur = 100;
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  std::string error, why;
  ASSERT_TRUE(record_open(path, &error)) << error;
  bool keys[KEY_CODES] = {};
  keys[int{'E'}] = true;
  for (int f = 0; f < 10; f++) record_frame(keys, 0, nullptr);  // 4 bytes each
  record_flush();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  for (int f = 0; f < 100; f++) record_frame(keys, 0, nullptr);
  record_finish();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  ASSERT_TRUE(record_lost(&why));
  EXPECT_NE(why.find("stopped after 10 frames"), std::string::npos) << why;

  // what the file holds is a whole recording: the header, ten frames and the end mark
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(recording_read_file(path, &bytes, &error)) << error;
  EXPECT_EQ(bytes.size(), recording_header().size() + 10 * 4 + 5);
  snapshot_put(startup_state());
  EXPECT_EQ(recording_run(bytes.data(), bytes.size(), &error), 10) << error;

  // a recording that could be written whole is not lost
  ASSERT_TRUE(record_open(path, &error)) << error;
  for (int f = 0; f < 3; f++) record_frame(keys, 0, nullptr);
  record_finish();
  EXPECT_FALSE(record_lost(&why)) << why;
  ASSERT_TRUE(recording_read_file(path, &bytes, &error)) << error;
  snapshot_put(startup_state());
  EXPECT_EQ(recording_run(bytes.data(), bytes.size(), &error), 3) << error;
  snapshot_put(startup_state());
  std::remove(path);
}

// A recording of version 1.1.0 (format 1: one step a picture, by the rules of then) bears
// this game's version number: it is refused by its format, never run by today's rules.
TEST(Recording, TheFormatBeforeTheStepClockIsRefusedByName) {
  const std::string old_header = std::string("KORVREC\n") + '\1' + '\0' + '\5' + "1.1.0";
  const std::string frames = std::string("F\0\0F\1E\0Z\2\0\0\0", 12);
  const std::string bytes = old_header + frames;
  std::string error;
  snapshot_put(startup_state());
  EXPECT_EQ(
      recording_run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &error), -1);
  EXPECT_NE(error.find("recorded by Korvalen 1.1.0 (format 1)"), std::string::npos) << error;
  // the same steps under this format's header run
  const std::string now = recording_header() + frames;
  snapshot_put(startup_state());
  EXPECT_EQ(recording_run(reinterpret_cast<const std::uint8_t*>(now.data()), now.size(), &error), 2)
      << error;
  snapshot_put(startup_state());
}

}  // namespace
