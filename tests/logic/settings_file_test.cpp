// The settings file against what players, other games and odd folders do to it: every key
// the controls screen binds comes back, a byte-order mark, a file too large to read whole,
// two games saving at once, a save killed halfway, a folder path longer than the system allows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "state/bindings.h"
#include "state/settings.h"

namespace {

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void put_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// A settings folder of its own for one test: $XDG_CONFIG_HOME/korvalen.
struct ConfigHome {
  std::string home, folder, file;
  ConfigHome() {
    char made[] = "/tmp/korvalen_settings_file_XXXXXX";
    home = mkdtemp(made);
    folder = home + "/korvalen";
    file = folder + "/settings.ini";
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    mkdir(folder.c_str(), 0755);
  }
  ~ConfigHome() {
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(system(("rm -rf " + home).c_str()), 0);
  }
};

std::string key_read_back(int player, int action) {
  std::string name;
  for (const KeySetting& k : settings_load().keys)
    if (k.player == player && k.action == action) name = k.name;
  return name;
}

}  // namespace

TEST(SettingsFile, EveryKeyTheControlsScreenBindsComesBack) {
  ConfigHome config;
  int bindable = 0;
  for (int code = 1; code < KEY_CODES; code++) {
    if (!*key_name(code) || key_reserved(code)) continue;  // what the controls screen refuses
    bindable++;
    ASSERT_TRUE(settings_store("keys", "player1.up", key_name(code))) << key_name(code);
    std::string name = key_read_back(1, ACTION_UP);
    EXPECT_EQ(key_code(name.c_str()), code)
        << "bound " << key_name(code) << ", read back '" << name << "' from\n"
        << file_text(config.file);
  }
  EXPECT_GT(bindable, 80);
  // A hand-written line keeps its comment, whatever the value it gets; an empty value
  // before a comment is what inih reads, and the key written there reads back too.
  Settings s;
  std::vector<std::string> problems;
  for (const char* line :
       {"player2.use = M ; mine", "player2.use = ; mine", "player2.use =", "player2.use =;"}) {
    std::string edited =
        settings_edit_text(std::string("[keys]\n") + line + "\n", "keys", "player2.use", ";");
    settings_read_text(edited, "f.ini", &s, &problems);
    ASSERT_EQ(s.keys.size(), 1u) << edited;
    EXPECT_EQ(s.keys[0].name, ";") << edited;
    if (std::string(line).find("mine") != std::string::npos) {
      EXPECT_NE(edited.find(" ; mine\n"), std::string::npos) << edited;
    }
  }
}

TEST(SettingsFile, ByteOrderMarkIsKeptAndSkipped) {
  const std::string mark = "\xEF\xBB\xBF";
  EXPECT_EQ(settings_edit_text(mark + "[players]\navatar1 = 2\n", "players", "avatar1", "5"),
            mark + "[players]\navatar1 = 5\n");
  EXPECT_EQ(settings_edit_text(mark, "game", "speed", "3"), mark + "[game]\nspeed = 3\n");
}

TEST(SettingsFile, AFileTooLargeToReadWholeIsNeverWritten) {
  ConfigHome config;
  std::string notes;
  while (notes.size() <= (1 << 20)) notes += "# a long note the player keeps here, line by line\n";
  std::string big = notes + "[keys]\nplayer1.up = T\n";
  put_file(config.file, big);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(settings_store("game", "speed", "2"));
  Settings loaded = settings_load();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(file_text(config.file) == big) << "the file was cut";
  EXPECT_FALSE(exists(config.file + ".bak"));
  EXPECT_TRUE(loaded.keys.empty()) << "a cut file was read";
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
  EXPECT_NE(said.find("settings not saved to " + config.file + ": it is larger than 1 MiB"),
            std::string::npos)
      << said;
}

TEST(SettingsFile, ASaveWaitsForAnotherGamesAndClearsWhatAKilledOneLeft) {
  ConfigHome config;
  put_file(config.file, "[game]\nspeed = 1\n");
  const std::string stale = config.folder + "/.settings.ini.Kx81Qz";
  const std::string players_own = config.folder + "/.settings.ini.backup";
  put_file(stale, "[game]\nspe");
  put_file(players_own, "[game]\nspeed = 3\n");
  // another game holds the lock all along: nothing is written, and its temporary stays
  int other = open((config.file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(other, 0);
  struct flock whole = {};
  whole.l_type = F_WRLCK;
  ASSERT_EQ(fcntl(other, F_OFD_SETLK, &whole), 0);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(settings_store("game", "speed", "2"));
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("another game"), std::string::npos) << said;
  EXPECT_EQ(file_text(config.file), "[game]\nspeed = 1\n");
  EXPECT_TRUE(exists(stale));
  close(other);
  // once it is done, the save goes through and the stale temporary goes with it
  EXPECT_TRUE(settings_store("game", "speed", "2"));
  EXPECT_EQ(file_text(config.file), "[game]\nspeed = 2\n");
  EXPECT_EQ(file_text(config.file + ".bak"), "[game]\nspeed = 1\n");
  EXPECT_FALSE(exists(stale));
  EXPECT_TRUE(exists(players_own)) << "a file of the player's own was taken for a temporary";
}

TEST(SettingsFile, TwoGamesSavingAtOnceLoseNothing) {
  ConfigHome config;
  ASSERT_TRUE(settings_store("keys", "player2.up", "W"));
  pid_t writers[2];
  for (int w = 0; w < 2; w++) {
    writers[w] = fork();
    ASSERT_GE(writers[w], 0);
    if (writers[w] == 0) {
      for (int i = 0; i < 200; i++)
        w == 0 ? settings_store("game", "speed", std::to_string(1 + i % 2))
               : settings_store("sound", "volume", std::to_string(40 + i % 2));
      _exit(0);
    }
  }
  int looks = 0, missing = 0, lost = 0, running = 2;
  while (running > 0) {
    usleep(500);
    std::string text = file_text(config.file);
    looks++;
    if (!exists(config.file)) missing++;
    if (text.find("player2.up = W\n") == std::string::npos) lost++;
    for (pid_t& w : writers)
      if (w > 0 && waitpid(w, nullptr, WNOHANG) == w) w = 0, running--;
  }
  EXPECT_EQ(missing, 0) << "of " << looks << " looks";
  EXPECT_EQ(lost, 0) << "of " << looks << " looks";
  EXPECT_EQ(key_read_back(2, ACTION_UP), "W");
  // both saved (a save may be refused, with its line, when the other game kept the lock)
  Settings last = settings_load();
  EXPECT_NE(last.speed, 0);
  EXPECT_GE(last.volume, 40);
}

TEST(SettingsFile, FoldersAreMadeAndAPathTooLongIsRefusedWithOneLine) {
  ConfigHome config;
  std::string deep = config.home;
  for (int level = 0; level < 300; level++) deep += "/d";
  setenv("XDG_CONFIG_HOME", deep.c_str(), 1);
  EXPECT_TRUE(settings_store("game", "speed", "2"));
  EXPECT_EQ(file_text(deep + "/korvalen/settings.ini"), "[game]\nspeed = 2\n");

  std::string too_deep = config.home;
  for (int level = 0; level < 30000; level++) too_deep += "/d";
  setenv("XDG_CONFIG_HOME", too_deep.c_str(), 1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(settings_store("game", "speed", "3"));
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said.substr(0, 300);
  EXPECT_NE(said.find("longer than the system allows"), std::string::npos) << said.substr(0, 300);
  EXPECT_LT(said.size(), 400u) << "the whole path was printed";
}
