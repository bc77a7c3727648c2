#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "state/data_files.h"
#include "state/files.h"
#include "state/lybrary3.h"
#include "tests/scratch_folder.h"
#include "world/world.h"

namespace {

// The lowest file handle free now: it grows when a load leaves the map file open.
int lowest_free_handle() {
  int fd = dup(0);
  close(fd);
  return fd;
}

// Tests that write s_1.txt play in a scratch folder of their own, never beside a real map.
class MapFolder : public ScratchFolder {
 protected:
  void write_map(const std::string& bytes) { write("s_1.txt", bytes); }
};

// A writerless pipe, an endless device or a file that fails to read (the kernel's memory file)
// is no map: play starts at once on an open field. A file is read to 16 MiB at most, and closed
// after every load.
TEST_F(MapFolder, OnlyRegularFilesAndTheirFirst16MiBAreRead) {
  alarm(20);  // a load that waits on the pipe or reads /dev/zero ends the test here
  const int free_handle = lowest_free_handle();
  write_map("1\n2\n3\n4\n5\n");
  sector_set();
  std::remove("s_1.txt");
  ASSERT_EQ(Build_Max, 1);
  EXPECT_EQ(lowest_free_handle(), free_handle);
  for (const char* target : {"", "/dev/zero", "/proc/self/mem"}) {
    ASSERT_EQ(*target ? symlink(target, "s_1.txt") : mkfifo("s_1.txt", 0600), 0);
    sector_set();
    std::remove("s_1.txt");
    EXPECT_EQ(Build_Max, 1);  // as with no file: the count stays
    EXPECT_EQ(build[0].x, -100);
  }
  // The int range holds to its last value at both ends, and no further.
  write_map("0\n-2147483648\n2147483647\n-2147483649\n2147483648\n");
  sector_set();
  EXPECT_EQ(build[0].x, INT_MIN);
  EXPECT_EQ(build[0].y, INT_MAX);
  EXPECT_EQ(build[0].x2, -100);  // left as the reset gave it
  EXPECT_EQ(build[0].y2, -100);
  write_map(std::string(16 << 20, '\n') + "1\n2\n3\n4\n5\n");
  sector_set();
  EXPECT_EQ(Build_Max, 0);
  EXPECT_EQ(lowest_free_handle(), free_handle);
  alarm(0);
}

// What a player is told about a data file that will not open: a name that is not there, or
// that runs through a file as if it were a folder, is missing; a folder is no regular file.
TEST_F(MapFolder, AnUnopenedFileIsNamedForWhatItIs) {
  write_map("1\n");
  EXPECT_STREQ(why_unopened("absent.bmp"), "missing");
  EXPECT_STREQ(why_unopened("s_1.txt/inner.bmp"), "missing");
  EXPECT_STREQ(why_unopened(nullptr), "missing");
  ASSERT_EQ(mkdir("folder", 0700), 0);
  EXPECT_STREQ(why_unopened("folder"), "not a regular file");
  rmdir("folder");
}

// The buildings in use, for comparing two loads.
std::string buildings() {
  std::string out = std::to_string(Build_Max);
  for (int i = 0; i < Build_Max; i++)
    for (int v : {build[i].mask, build[i].x, build[i].y, build[i].x2, build[i].y2})
      out += " " + std::to_string(v);
  return out;
}

// The value lines a match start reads, given back as text or as the file's bytes, build the
// file's table; a missing map given stays missing, and the file is unread while one is given.
TEST_F(MapFolder, AGivenMapBuildsWhatTheFileBuilt) {
  const std::string maps[] = {
      "1\n4\n2\n1\n6\n\n1\n10\n5\n3 wide\n2\n",
      "7\r\n\r\nnote\r\n-3\r\n+3\r\n99999999999\r\n1\n2\n3\n4\n5",
      std::string(300, '7') + "\n1\n2\n3\n4\n5\n6\n7\n8\n\r",
      std::string(60 * 5, '1') + "\n" + std::string(400, '\n'),
      "1\n\r2\n3\n4\n5\n",  // a carriage return that ends no line
  };
  for (const std::string& bytes : maps) {
    write_map(bytes);
    Build_Max = 50;
    long before = map_reads();
    sector_set();
    const std::string from_file = buildings();
    const MapText read = map_last_read();
    EXPECT_EQ(map_reads(), before + 1);
    EXPECT_TRUE(read.present);
    EXPECT_LE(read.text.size(), MAP_TEXT_MAX);
    std::remove("s_1.txt");
    for (const std::string& given : {read.text, bytes}) {
      map_use_given(true, given.data(), given.size());
      Build_Max = 50;
      sector_set();
      EXPECT_EQ(buildings(), from_file) << bytes.substr(0, 40);
      EXPECT_EQ(map_last_read().text, read.text);
    }
    map_use_file();
  }
  // A match start reads no more value lines than the 50 buildings take.
  std::string many;
  for (int i = 0; i < 300; i++) many += "1\n";
  write_map(many);
  sector_set();
  EXPECT_EQ(map_last_read().text.size(), 250 * 2u);
  map_use_given(false, "", 0);
  write_map("1\n2\n3\n4\n5\n");
  Build_Max = 3;
  sector_set();
  EXPECT_EQ(Build_Max, 3);
  EXPECT_FALSE(map_last_read().present);
  map_use_file();
}

// Sector 0 has no file of its own: a stray s_0.txt beside the maps is never read.
TEST_F(MapFolder, SectorZeroReadsNoFile) {
  ASSERT_TRUE(sector_choose(0));
  sector_set();
  const std::string open_field = buildings();
  std::FILE* f = std::fopen("s_0.txt", "wb");
  std::fputs("1\n2\n3\n4\n5\n", f);
  std::fclose(f);
  sector_set();
  std::remove("s_0.txt");
  sector_choose(1);
  EXPECT_EQ(buildings(), open_field);
  EXPECT_FALSE(map_last_read().present);
}

// "Any arena" with only one arena that can be played draws that one, whatever the seed.
TEST_F(MapFolder, AnyArenaAmongOneIsThatOne) {
  const int only[] = {7};
  ASSERT_TRUE(sector_choose_any(only, 1));
  for (std::uint32_t seed : {1u, 2u, 0xFFFFFFFFu}) EXPECT_EQ(sector_any_pick(seed), 7);
  sector_choose(1);
}

// Each file is looked up on its own: a player's s_1.txt with the installed images, and the
// other way round; an absolute name and no data folder leave every name as it is.
TEST_F(MapFolder, DataFilesWorkingDirectoryFirstThenTheDataFolder) {
  data_folder_set("/opt/k");
  EXPECT_EQ(data_file_path("Data/world/way.bmp"), "/opt/k/Data/world/way.bmp");
  EXPECT_EQ(data_file_path("s_1.txt"), "/opt/k/s_1.txt");
  std::fclose(std::fopen("s_1.txt", "w"));
  std::fclose(std::fopen("Data", "w"));  // a file is no image folder
  EXPECT_EQ(data_file_path("s_1.txt"), "s_1.txt");
  EXPECT_EQ(data_file_path("Data/world/way.bmp"), "/opt/k/Data/world/way.bmp");
  std::remove("Data");
  mkdir("Data", 0755);
  EXPECT_EQ(data_file_path("Data/world/way.bmp"), "Data/world/way.bmp");
  EXPECT_EQ(data_file_path("/x/s_1.txt"), "/x/s_1.txt");
  // A message names a file by its full path.
  EXPECT_EQ(data_file_full_path("/x/s_1.txt"), "/x/s_1.txt");
  EXPECT_EQ(data_file_full_path("s_1.txt"), std::string(folder) + "/s_1.txt");
  data_folder_set("");
  std::remove("s_1.txt");
  EXPECT_EQ(data_file_path("s_1.txt"), "s_1.txt");
  rmdir("Data");
}

}  // namespace
