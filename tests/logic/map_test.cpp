#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/lybrary3.h"
#include "fresh.h"
#include "world/world.h"

namespace {

void write_map(const std::string& text) {
  std::FILE* f = std::fopen("s_1.txt", "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Each test plays in a scratch folder of its own, never beside a real map.
struct MapTest : ::testing::Test {
  char folder[32] = "/tmp/korvalen-map-XXXXXX";
  char home[4096] = "";
  void SetUp() override {
    fresh_globals();
    ASSERT_NE(getcwd(home, sizeof home), nullptr);
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);
  }
  void TearDown() override {
    std::remove("s_1.txt");
    ASSERT_EQ(chdir(home), 0);
    rmdir(folder);
  }
};

// A folder in the map's place opens but cannot be read; only blank lines hold no value.
TEST_F(MapTest, UnreadableOrBlankFileLoadsNothing) {
  write_map("1\n2\n3\n4\n5\n");
  sector_set();
  ASSERT_EQ(Build_Max, 1);
  std::remove("s_1.txt");
  mkdir("s_1.txt", 0755);
  sector_set();
  rmdir("s_1.txt");
  EXPECT_EQ(Build_Max, 1);  // as with no file: the count stays
  EXPECT_EQ(build[0].x, -100);
  write_map("\n\n\n");
  sector_set();
  EXPECT_EQ(Build_Max, 0);
}

// A pipe with no writer or an endless device in the map's place is no map: the match
// starts at once on an open field. A file is read no further than 16 MiB.
TEST_F(MapTest, OnlyRegularFilesAndTheirFirst16MiBAreRead) {
  alarm(20);  // a load that waits on the pipe or reads /dev/zero ends the test here
  write_map("1\n2\n3\n4\n5\n");
  sector_set();
  std::remove("s_1.txt");
  for (bool pipe : {true, false}) {
    ASSERT_EQ(pipe ? mkfifo("s_1.txt", 0600) : symlink("/dev/zero", "s_1.txt"), 0);
    sector_set();
    std::remove("s_1.txt");
    EXPECT_EQ(Build_Max, 1);
    EXPECT_EQ(build[0].x, -100);
  }
  write_map(std::string(16 << 20, '\n') + "1\n2\n3\n4\n5\n");
  sector_set();
  EXPECT_EQ(Build_Max, 0);
  alarm(0);
}

TEST_F(MapTest, ReadstrStopsAtTheEndOfTheFile) {
  write_map("7\n\n\n");
  std::FILE* f = std::fopen("s_1.txt", "r");
  char line[255] = "";
  readstr(f, line);
  EXPECT_STREQ(line, "7\n");
  readstr(f, line);  // only empty lines left: returns with the last one read
  EXPECT_STREQ(line, "\n");
  std::strcpy(line, "5\n");
  readstr(f, line);  // at the end: returns at once, buffer unchanged
  EXPECT_STREQ(line, "5\n");
  std::fclose(f);
}

}  // namespace
