// The settings file: what a hand-written file sets and which lines are reported, the
// writer's edits in place, and the safe write (backup, link followed, no needless write).
#include "state/settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "state/language.h"

namespace {

std::vector<std::string> read_text(const std::string& text, Settings* s) {
  std::vector<std::string> problems;
  settings_read_text(text, "f.ini", s, &problems);
  return problems;
}

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace

TEST(Settings, HandWrittenFileIsReadAndItsBadLinesNamed) {
  Settings s;
  auto problems = read_text(
      "# my settings\n"        // 1
      "[game]\n"               // 2
      "speed = 3 ; fast\n"     // 3
      "colour = red\n"         // 4 unknown name
      "[display]\r\n"          // 5
      "fullscreen=no\r\n"      // 6
      "change_mode = maybe\n"  // 7 bad value
      "this is no setting\n"   // 8 not INI
      "[players]\n"            // 9
      "avatar1 = 6\n"          // 10
      "avatar2 = 7\n"          // 11 out of range
      "[keys]\n"               // 12
      "player1.right = T\n"    // 13
      "player3.up = W\n"       // 14 no such player
      "[language]\n"           // 15
      "language = en\n"        // 16
      "[sound]\n"              // 17
      "volume = 100\n"         // 18
      "[nowhere\n",            // 19 not INI
      &s);
  EXPECT_EQ(s.speed, 3);
  EXPECT_EQ(s.fullscreen, 0);
  EXPECT_EQ(s.change_mode, -1);
  EXPECT_EQ(s.avatar[1], 6);
  EXPECT_EQ(s.avatar[2], 0);
  EXPECT_EQ(s.language, "en");
  EXPECT_EQ(s.volume, 100);
  ASSERT_EQ(s.keys.size(), 1u);
  EXPECT_EQ(s.keys[0].player, 1);
  EXPECT_EQ(s.keys[0].action, 3);
  EXPECT_EQ(s.keys[0].name, "T");
  EXPECT_EQ(s.keys[0].line, 13);
  ASSERT_EQ(problems.size(), 6u);
  const char* lines[] = {"f.ini:4: unknown setting 'colour'",
                         "f.ini:7: 'maybe'",
                         "f.ini:8: not a setting",
                         "f.ini:11: '7'",
                         "f.ini:14: unknown setting 'player3.up'",
                         "f.ini:19: not a setting"};
  for (int i = 0; i < 6; i++) EXPECT_EQ(problems[i].rfind(lines[i], 0), 0u) << problems[i];
}

TEST(Settings, ValuesOutsideTheirRangeAreRefused) {
  for (const char* line : {"speed = 0", "speed = 4", "speed = -1", "speed = 2x",
                           "speed =", "pace = fast", "speed = 0002"}) {
    Settings s;
    EXPECT_EQ(read_text(std::string("[game]\n") + line + "\n", &s).size(), 1u) << line;
    EXPECT_EQ(s.speed, 0) << line;
    EXPECT_EQ(s.pace, "") << line;
  }
  for (const char* line : {"level = 0", "level = 4", "level = two"}) {
    Settings s;
    EXPECT_EQ(read_text(std::string("[computer]\n") + line + "\n", &s).size(), 1u) << line;
    EXPECT_EQ(s.computer_level, 0) << line;
  }
  Settings s;
  EXPECT_TRUE(read_text("[computer]\nlevel = 3\n[recordings]\nkeep = no\n", &s).empty());
  EXPECT_EQ(s.computer_level, 3);
  EXPECT_EQ(s.keep_recordings, 0);
  EXPECT_EQ(read_text("[recordings]\nkeep = 2\n", &s).size(), 1u);
}

// A player's own arena is saved by its name, which becomes a file's name when it is read
// back: only a name the editor could have saved under is taken.
TEST(Settings, AnOwnArenaIsTakenOnlyUnderANameAFileCanHave) {
  for (const char* good : {"own:moja", "own:Arena-2_b", "own:x"}) {
    Settings s;
    EXPECT_TRUE(read_text(std::string("[match]\narena = ") + good + "\n", &s).empty()) << good;
    EXPECT_EQ(s.arena, good);
  }
  const std::string too_long = "own:" + std::string(41, 'a');
  for (const std::string& bad :
       {std::string("own:"), std::string("own:../settings"), std::string("own:a b"),
        std::string("own:a/b"), std::string("own:\xc3\xa9"), std::string("OWN:moja"),
        std::string("own:moja.txt"), std::string("moja"), too_long}) {
    Settings s;
    const auto problems = read_text("[match]\narena = " + bad + "\n", &s);
    EXPECT_EQ(s.arena, "") << bad;
    ASSERT_EQ(problems.size(), 1u) << bad;
    EXPECT_NE(problems[0].find("own:NAME"), std::string::npos) << problems[0];
  }
  // the longest name, written and read back
  Settings s;
  const std::string longest = "own:" + std::string(40, 'z');
  EXPECT_TRUE(read_text(settings_edit_text("", "match", "arena", longest), &s).empty());
  EXPECT_EQ(s.arena, longest);
}

// Each setting the game saves reads back into its own field, at both ends of its range, and
// into no other: the table's rows never cross.
TEST(Settings, EverySavedSettingReadsBackIntoItsOwnField) {
  for (const SettingRow& row : SETTING_ROWS) {
    for (int end = 0; end < 2; end++) {
      std::string value = row.type == SettingType::choice ? row.words[end]
                          : row.type == SettingType::number_or_word
                              ? (end ? std::to_string(row.high) : std::string(row.words[0]))
                          : row.type == SettingType::text ? (end ? "b.example" : "a.example")
                          : row.type == SettingType::yes_no
                              ? (end ? "yes" : "no")
                              : std::to_string(end ? row.high : row.low);
      Settings s;
      EXPECT_EQ(read_text(settings_edit_text("", row.section, row.name, value), &s).size(), 0u)
          << row.name;
      Settings u;  // as no file sets it
      int changed = 0;
      for (const SettingRow& other : SETTING_ROWS) {
        const bool differs =
            other.word ? *other.word(s) != *other.word(u) : *other.number(s) != *other.number(u);
        changed += differs;
        if (&other != &row) continue;
        if (other.word) {
          EXPECT_EQ(*other.word(s), value);
        } else {
          EXPECT_EQ(*other.number(s), row.type == SettingType::yes_no ? end : std::stoi(value));
        }
      }
      EXPECT_EQ(changed, 1) << row.name << " = " << value;
    }
  }
}

TEST(Settings, TheMeetingServersAreOnlineSettings) {
  Settings s;
  EXPECT_TRUE(read_text("[online]\nserver = https://games.example.org\nrelay_only = yes\n"
                        "server_ca = /etc/ca.pem\n",
                        &s)
                  .empty());
  EXPECT_EQ(s.server, "https://games.example.org");
  EXPECT_EQ(s.server_ca, "/etc/ca.pem");
  EXPECT_EQ(s.relay_only, 1);
  Settings bad;
  EXPECT_EQ(read_text("[online]\nrelay_only = always\n[game]\nserver = x\n", &bad).size(), 2u);
  EXPECT_EQ(bad.relay_only, -1);
  EXPECT_EQ(bad.server, "");  // only under [online]
}

TEST(Settings, WriterChangesOnlyTheValue) {
  std::string text = "; mine\n[game]\nspeed = 1 ; slow\n\n[other]\nx = y\n";
  EXPECT_EQ(settings_edit_text(text, "game", "speed", "2"),
            "; mine\n[game]\nspeed = 2 ; slow\n\n[other]\nx = y\n");
  // a new name goes to the end of its section, a new section to the end of the file
  EXPECT_EQ(settings_edit_text(text, "game", "pace", "frame"),
            "; mine\n[game]\nspeed = 1 ; slow\npace = frame\n\n[other]\nx = y\n");
  EXPECT_EQ(settings_edit_text("[a]\r\nb=c", "keys", "player1.up", "W"),
            "[a]\r\nb=c\r\n\r\n[keys]\r\nplayer1.up = W\r\n");
  EXPECT_EQ(settings_edit_text("", "game", "speed", "3"), "[game]\nspeed = 3\n");
  // a section on the file's first line, with nothing in it yet, takes the name under it
  EXPECT_EQ(settings_edit_text("[game]\n", "game", "speed", "3"), "[game]\nspeed = 3\n");
  // of two lines for one name, the last one counts when read, so it is the one changed
  EXPECT_EQ(settings_edit_text("[game]\nspeed=1\nspeed=2\n", "game", "speed", "3"),
            "[game]\nspeed=1\nspeed=3\n");
  // a section line with a blank inside is a section; one with " ;" inside opens none
  EXPECT_EQ(settings_edit_text("[game]\nspeed=1\n[my game]\nspeed=2\n", "game", "speed", "3"),
            "[game]\nspeed=3\n[my game]\nspeed=2\n");
  EXPECT_EQ(settings_edit_text("[game]\nspeed=1\n[b ;c]\nspeed=2\n", "game", "speed", "3"),
            "[game]\nspeed=1\n[b ;c]\nspeed=3\n");
  // a line that starts with a blank goes on with the value above it, as inih reads it
  for (const char* blank : {" ", "\t"})
    EXPECT_EQ(settings_edit_text("[game]\nspeed=1\n" + std::string(blank) + "speed=2\n", "game",
                                 "speed", "3"),
              "[game]\nspeed=3\n" + std::string(blank) + "speed=2\n");
  // what the writer wrote reads back (the unknown [other] still reported, still kept)
  Settings s;
  EXPECT_EQ(read_text(settings_edit_text(text, "players", "avatar2", "5"), &s).size(), 1u);
  EXPECT_EQ(s.avatar[2], 5);
}

TEST(Settings, StoreWritesSafelyThroughALink) {
  char folder_template[] = "/tmp/korvalen_settings_XXXXXX";
  std::string folder = mkdtemp(folder_template);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  std::string dir = folder + "/korvalen", path = dir + "/settings.ini";
  // no folder yet: it is made
  ASSERT_TRUE(settings_store("game", "speed", "2"));
  EXPECT_EQ(file_text(path), "[game]\nspeed = 2\n");
  // the file a link points to is written, and the link stays a link
  std::string real = folder + "/dotfiles.ini";
  ASSERT_EQ(rename(path.c_str(), real.c_str()), 0);
  ASSERT_EQ(symlink("../dotfiles.ini", path.c_str()), 0);
  ASSERT_TRUE(settings_store("game", "speed", "3"));
  struct stat st;
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(file_text(real), "[game]\nspeed = 3\n");
  EXPECT_EQ(file_text(real + ".bak"), "[game]\nspeed = 2\n");
  EXPECT_EQ(settings_load().speed, 3) << "read back through the link";
  // the same value again: nothing is written (the file keeps its inode)
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  ino_t before = st.st_ino;
  ASSERT_TRUE(settings_store("game", "speed", "3"));
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_ino, before);
  // a new value keeps the player's own file mode
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  ASSERT_TRUE(settings_store("game", "speed", "2"));
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // a disk that takes no more: not saved, the file as it was
  struct rlimit limit, small = {8, 8};
  getrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_FALSE(settings_store("game", "speed", "1"));
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_EQ(file_text(real), "[game]\nspeed = 2\n");
  // a read-only folder: not saved, the file as it was, nothing left behind
  if (geteuid() != 0) {
    chmod(folder.c_str(), 0555);
    EXPECT_FALSE(settings_store("game", "speed", "1"));
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(file_text(real), "[game]\nspeed = 2\n");
  }
  unsetenv("XDG_CONFIG_HOME");
  std::string home = getenv("HOME") ? getenv("HOME") : "";
  unsetenv("HOME");
  EXPECT_EQ(settings_path(), "");
  EXPECT_FALSE(settings_store("game", "speed", "1"));
  if (!home.empty()) setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(system(("rm -rf " + folder).c_str()), 0);
}

TEST(Language, FollowsTheLocaleAsGettextReadsIt) {
  struct Case {
    const char *language, *lc_all, *lc_messages, *lang, *want;
  } cases[] = {
      {nullptr, nullptr, nullptr, nullptr, "en"},  // no locale
      {nullptr, nullptr, nullptr, "C.UTF-8", "en"},
      {nullptr, nullptr, nullptr, "de_DE.UTF-8", "en"},
      {nullptr, nullptr, nullptr, "sk_SK.UTF-8", "sk"},
      {nullptr, nullptr, nullptr, "sk", "sk"},
      {nullptr, nullptr, nullptr, "skr_IN", "en"},             // not "sk"
      {nullptr, "en_GB.UTF-8", nullptr, "sk_SK.UTF-8", "en"},  // LC_ALL first
      {nullptr, nullptr, "sk_SK.UTF-8", "en_US.UTF-8", "sk"},  // then LC_MESSAGES
      {"sk:en", nullptr, nullptr, "de_DE.UTF-8", "sk"},        // LANGUAGE's first entry
      {"en:sk", nullptr, nullptr, "sk_SK.UTF-8", "en"},
      {"sk", nullptr, nullptr, "C", "en"},  // ignored under C
  };
  for (const Case& c : cases) {
    const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    const char* values[] = {c.language, c.lc_all, c.lc_messages, c.lang};
    for (int i = 0; i < 4; i++) values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
    EXPECT_EQ(language_of_locale(), c.want)
        << (c.language ? c.language : "-") << " " << (c.lc_all ? c.lc_all : "-") << " "
        << (c.lc_messages ? c.lc_messages : "-") << " " << (c.lang ? c.lang : "-");
  }
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) unsetenv(name);
  // the Slovak text itself until English is chosen
  EXPECT_STREQ(tr("Stlac medzernik"), "Stlac medzernik");
}
