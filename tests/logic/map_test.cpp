#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "state/lybrary3.h"
#include "world/world.h"

namespace {

void write_map(const std::string& text) {
  std::FILE* f = std::fopen("s_1.txt", "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// A pipe with no writer or an endless device in the map's place is no map: the match
// starts at once on an open field. A file is read no further than 16 MiB. The test
// plays in a scratch folder of its own, never beside a real map.
TEST(MapFile, OnlyRegularFilesAndTheirFirst16MiBAreRead) {
  char folder[] = "/tmp/korvalen-map-XXXXXX", home[4096];
  ASSERT_NE(getcwd(home, sizeof home), nullptr);
  ASSERT_NE(mkdtemp(folder), nullptr);
  ASSERT_EQ(chdir(folder), 0);
  alarm(20);  // a load that waits on the pipe or reads /dev/zero ends the test here
  write_map("1\n2\n3\n4\n5\n");
  sector_set();
  std::remove("s_1.txt");
  ASSERT_EQ(Build_Max, 1);
  for (bool pipe : {true, false}) {
    ASSERT_EQ(pipe ? mkfifo("s_1.txt", 0600) : symlink("/dev/zero", "s_1.txt"), 0);
    sector_set();
    std::remove("s_1.txt");
    EXPECT_EQ(Build_Max, 1);  // as with no file: the count stays
    EXPECT_EQ(build[0].x, -100);
  }
  write_map(std::string(16 << 20, '\n') + "1\n2\n3\n4\n5\n");
  sector_set();
  EXPECT_EQ(Build_Max, 0);
  alarm(0);
  std::remove("s_1.txt");
  ASSERT_EQ(chdir(home), 0);
  rmdir(folder);
}

}  // namespace
