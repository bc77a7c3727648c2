#include "state/data_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

// Each file is looked up on its own: a player's s_1.txt with the installed images, and the
// other way round; an absolute name and no data folder leave every name as it is.
TEST(DataFiles, WorkingDirectoryFirstThenTheDataFolder) {
  char folder[] = "/tmp/korvalen-files-XXXXXX", home[4096];
  ASSERT_NE(getcwd(home, sizeof home), nullptr);
  ASSERT_NE(mkdtemp(folder), nullptr);
  ASSERT_EQ(chdir(folder), 0);
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
  ASSERT_EQ(chdir(home), 0);
  rmdir(folder);
}
