// A scratch folder as the working directory, for tests that write the game's files (the
// arenas s_N.txt above all): never beside a real one. What write() put there is removed at
// the end, and the folder with it when nothing else is left.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(home, sizeof home), nullptr);
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);
  }
  void TearDown() override {
    for (const std::string& name : written) std::remove(name.c_str());
    ASSERT_EQ(chdir(home), 0);
    rmdir(folder);
  }
  // A file with exactly these bytes, in the scratch folder.
  void write(const std::string& name, const std::string& bytes) {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size()) << name;
    EXPECT_EQ(std::fclose(f), 0) << name;
    written.insert(name);
  }
  char folder[32] = "/tmp/korvalen-test-XXXXXX", home[4096];
  std::set<std::string> written;
};
