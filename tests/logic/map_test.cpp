#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "core/lybrary3.h"
#include "fresh.h"
#include "world/world.h"

namespace {

void write_map(const std::string& text) {
  std::FILE* f = std::fopen("s_1.txt", "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

struct MapTest : ::testing::Test {
  void SetUp() override { fresh_globals(); }
  void TearDown() override { std::remove("s_1.txt"); }
};

TEST_F(MapTest, NotesSignsEmptyLinesAndLettersLandInTheirFields) {
  write_map("\n1\n4 wide note\n\n\n-3\n+2\nsix\n\n7\n8\n9\n10\n11\n");
  sector_set();
  EXPECT_EQ(Build_Max, 2);
  EXPECT_EQ(build[0].mask, 1);
  EXPECT_EQ(build[0].x, 4);
  EXPECT_EQ(build[0].y, -3);
  EXPECT_EQ(build[0].x2, 2);
  EXPECT_EQ(build[0].y2, -100);  // a line of letters leaves the reset value
  EXPECT_EQ(build[1].mask, 7);
  EXPECT_EQ(build[1].y2, 11);
  EXPECT_EQ(build[0].z, -100);
  EXPECT_EQ(player[1].mapa, 1);
}

TEST_F(MapTest, CarriageReturnsAndLongLinesReadAsTextModeWould) {
  // A CR-LF line holding only CR-LF is empty; a 300-character line is two values.
  std::string longline = "5" + std::string(253, ' ') + "6\n";
  write_map("1\r\n\r\n2\r\n3\r\n" + longline);
  sector_set();
  ASSERT_EQ(Build_Max, 1);
  EXPECT_EQ(build[0].mask, 1);
  EXPECT_EQ(build[0].x, 2);
  EXPECT_EQ(build[0].y, 3);
  EXPECT_EQ(build[0].x2, 5);
  EXPECT_EQ(build[0].y2, 6);
}

TEST_F(MapTest, NumbersOutsideIntRangeLeaveTheField) {
  write_map("2147483647\n-2147483648\n2147483648\n-2147483649\n99999999999999999999\n");
  sector_set();
  ASSERT_EQ(Build_Max, 1);
  EXPECT_EQ(build[0].mask, 2147483647);
  EXPECT_EQ(build[0].x, -2147483647 - 1);
  EXPECT_EQ(build[0].y, -100);
  EXPECT_EQ(build[0].x2, -100);
  EXPECT_EQ(build[0].y2, -100);
}

TEST_F(MapTest, CountComesFromTheFileAndIsCappedAtFifty) {
  write_map("1\n2\n3\n4\n5\n6\n7\n");  // seven values: one whole record
  sector_set();
  EXPECT_EQ(Build_Max, 1);
  EXPECT_EQ(build[1].mask, 0);  // records past the count are never touched
  EXPECT_EQ(build[1].x, 0);
  std::string many;
  for (int i = 0; i < 60 * 5; i++) many += std::to_string(i) + "\n";
  write_map(many);
  sector_set();
  EXPECT_EQ(Build_Max, 50);
  EXPECT_EQ(build[49].y2, 249);
}

TEST_F(MapTest, MissingOrEmptyFileLeavesAnOpenField) {
  write_map("1\n2\n3\n4\n5\n1\n2\n3\n4\n5\n");
  sector_set();
  ASSERT_EQ(Build_Max, 2);
  std::remove("s_1.txt");
  sector_set();  // the count stays, the records are reset and inert
  EXPECT_EQ(Build_Max, 2);
  EXPECT_EQ(build[1].x, -100);
  EXPECT_EQ(build[1].x2, -100);
  EXPECT_EQ(build[1].mask, 1);
  mkdir("s_1.txt", 0755);  // opens, but cannot be read: the same as missing
  sector_set();
  rmdir("s_1.txt");
  EXPECT_EQ(Build_Max, 2);
  write_map("");
  sector_set();
  EXPECT_EQ(Build_Max, 0);
  write_map("\n\n\n");
  sector_set();
  EXPECT_EQ(Build_Max, 0);
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
