// How each setting applies as the game starts: the command line's option over the file for
// its run, the file over the game's own default, and a file that says nothing leaves the
// default.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/command_line.h"
#include "game/input.h"
#include "game/player_settings.h"
#include "state/language.h"
#include "state/loop_marks.h"

namespace {

// Starts with this settings file (none for nullptr) and these arguments, in a config folder
// of its own; what the start marked and switched is put back for the tests after it.
CommandLine start_with(const char* file, std::vector<const char*> args) {
  char config[] = "/tmp/korvalen-start-XXXXXX";
  EXPECT_NE(mkdtemp(config), nullptr);
  const std::string folder = std::string(config) + "/korvalen", path = folder + "/settings.ini";
  if (file) {
    mkdir(folder.c_str(), 0755);
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fputs(file, f);
    std::fclose(f);
  }
  const char* had = getenv("XDG_CONFIG_HOME");
  const std::string config_before = had ? had : "";
  setenv("XDG_CONFIG_HOME", config, 1);
  const std::string language = language_current();
  const bool was_fullscreen = fullscreen;

  args.insert(args.begin(), "korvalen");
  CommandLine line;
  std::string why;
  EXPECT_TRUE(read_command_line(static_cast<int>(args.size()), args.data(), &line, &why)) << why;
  start_choices = StartChoices();
  player_settings_start(&line);
  line.speed = take_speed_level();  // the level the start marked, for the test to see

  language_start(language);
  fullscreen = was_fullscreen;
  setenv("XDG_CONFIG_HOME", config_before.c_str(), 1);
  std::remove(path.c_str());
  rmdir(folder.c_str());
  rmdir(config);
  return line;
}

const char* const FILE_SAYS =
    "[game]\nspeed = 2\npace = frame\n[sound]\nvolume = 40\n[computer]\nlevel = 3\n"
    "[recordings]\nkeep = no\n[online]\nserver = https://file.example\nrelay_only = yes\n";

TEST(StartSettings, TheFileOverTheDefaultsAndTheCommandLineOverTheFile) {
  CommandLine line = start_with(FILE_SAYS, {});
  EXPECT_EQ(line.speed, 2);
  EXPECT_TRUE(start_choices.frame_pace);
  EXPECT_EQ(start_choices.volume, 40);
  EXPECT_EQ(start_choices.computer_level, 3);
  EXPECT_FALSE(start_choices.keep_matches);
  EXPECT_EQ(line.server, "https://file.example");
  EXPECT_TRUE(line.relay_only);

  line = start_with(FILE_SAYS, {"--speed", "3", "--pace", "clock", "--volume", "70", "--host-room",
                                "--server", "https://line.example"});
  EXPECT_EQ(line.speed, 3);
  EXPECT_FALSE(start_choices.frame_pace);
  EXPECT_EQ(start_choices.volume, 70);
  EXPECT_EQ(line.server, "https://line.example");
  EXPECT_EQ(start_choices.computer_level, 3);  // no option for it: the file's

  for (const char* nothing : {static_cast<const char*>(nullptr), "[game]\n"}) {
    line = start_with(nothing, {});
    EXPECT_EQ(line.speed, 0);  // no level marked: the game's own start
    EXPECT_FALSE(start_choices.frame_pace);
    EXPECT_EQ(start_choices.volume, 100);
    EXPECT_EQ(start_choices.computer_level, 2);
    EXPECT_TRUE(start_choices.keep_matches);
    EXPECT_EQ(line.server, "");
    EXPECT_FALSE(line.relay_only);
  }
}

}  // namespace
