// The files the game keeps beside its settings: kept matches, the recent addresses, and the
// one safe way they are written; and the game's own key table.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "record/kept.h"
#include "record/recording.h"
#include "state/game_keys.h"
#include "state/recent.h"
#include "state/safe_file.h"
#include "world/arenas.h"

namespace {

struct TempFolder {
  std::string path;
  TempFolder() {
    char made[] = "/tmp/korvalen_kept_XXXXXX";
    path = mkdtemp(made);
  }
  ~TempFolder() { (void)!system(("rm -rf " + path).c_str()); }
  void put(const std::string& name, const std::string& text = "x") const {
    std::ofstream(path + "/" + name, std::ios::binary) << text;
  }
  bool has(const std::string& name) const {
    struct stat st;
    return lstat((path + "/" + name).c_str(), &st) == 0;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path + "/" + name, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
};

// A kept name some seconds after 10:00.
std::string kept_name(int second, const char* players = "red-vs-computer") {
  char name[64];
  snprintf(name, sizeof name, "2026-12-08_%02d%02d%02d_%s", 10 + second / 3600, second / 60 % 60,
           second % 60, players);
  return name;
}

}  // namespace

TEST(KeptRecordings, NamesAreTheGamesOwnExactly) {
  std::time_t start = 1765195200;  // a moment in 2025, named in local time
  std::string name =
      kept_recording_name(start, kept_player_name(4, false), kept_player_name(1, true));
  EXPECT_EQ(name.size(), 18u + std::string("yellow-vs-computer").size());
  EXPECT_EQ(name.substr(18), "yellow-vs-computer");
  EXPECT_TRUE(is_kept_recording_name(name));
  EXPECT_TRUE(is_kept_recording_name(name + "_2"));
  for (const char* other : {"2026-12-08_101500_red-vs-blue.txt", "2026-12-08_101500_red-vs-pink",
                            "2026-12-08_1015_red-vs-blue", "notes", ".match.abc123",
                            "2026-12-08_101500_red-blue", "2026-12-08_101500_red-vs-blue_1",
                            "2026-12-08_101500_red-vs-blue_10", "x026-12-08_101500_red-vs-blue",
                            "2026-12-08_101500-red-vs-blue", "2026-12-08_10h500_red-vs-blue"})
    EXPECT_FALSE(is_kept_recording_name(other)) << other;
}

TEST(KeptRecordings, ListedNewestFirstAndBoundedInAHostileFolder) {
  TempFolder folder;
  for (int s = 0; s < 10000; s++) folder.put(kept_name(s, s % 2 ? "red-vs-blue" : "cyan-vs-green"));
  folder.put("holiday.jpg");
  // not files, newer than all: never opened, never listed
  ASSERT_EQ(mkfifo((folder.path + "/" + kept_name(10001, "red-vs-red")).c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", (folder.path + "/2026-12-08_235959_blue-vs-blue").c_str()), 0);
  ASSERT_EQ(mkdir((folder.path + "/2026-12-08_235958_blue-vs-blue").c_str(), 0755), 0);

  auto list = list_kept_recordings(folder.path);
  ASSERT_EQ(list.size(), size_t(LISTED_RECORDINGS));
  EXPECT_EQ(list[0].name, kept_name(9999, "red-vs-blue"));
  for (size_t i = 1; i < list.size(); i++) EXPECT_GT(list[i - 1].name, list[i].name);
  EXPECT_EQ(list[0].bytes, 1);
  EXPECT_TRUE(list_kept_recordings(folder.path + "/missing").empty());
}

TEST(KeptRecordings, PruningRemovesOnlyTheOldestOfTheGamesOwn) {
  TempFolder folder;
  for (int m = 0; m < 60; m++) folder.put(kept_name(m));
  folder.put("2026-01-01_000000_red-vs-blue.mine");  // a player's copy, older than all
  ASSERT_EQ(symlink((folder.path + "/" + kept_name(0)).c_str(),
                    (folder.path + "/2026-01-01_000000_red-vs-blue").c_str()),
            0);
  EXPECT_EQ(prune_kept_recordings(folder.path), 60 - KEPT_RECORDINGS);
  EXPECT_FALSE(folder.has(kept_name(9)));
  EXPECT_TRUE(folder.has(kept_name(10)));
  EXPECT_TRUE(folder.has(kept_name(59)));
  EXPECT_TRUE(folder.has("2026-01-01_000000_red-vs-blue.mine"));
  EXPECT_TRUE(folder.has("2026-01-01_000000_red-vs-blue"));
  EXPECT_EQ(prune_kept_recordings(folder.path), 0);
}

TEST(KeptRecordings, AMatchIsPutInPlaceWholeAndNeverOverAnother) {
  TempFolder folder;
  std::string where = folder.path + "/a/b";  // made on the way
  for (int match = 0; match < 2; match++) {
    std::string hidden;
    ASSERT_EQ(kept_recording_begin(where, &hidden), "");
    EXPECT_NE(hidden.find("/.match."), std::string::npos);
    EXPECT_EQ(list_kept_recordings(where).size(), size_t(match));  // not while being written
    EXPECT_EQ(kept_recording_end(where, hidden, kept_name(600)), "");
  }
  auto list = list_kept_recordings(where);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, kept_name(600) + "_2");
  EXPECT_EQ(list[1].name, kept_name(600));
  std::string header = recording_header();
  std::ifstream in(where + "/" + list[1].name, std::ios::binary);
  std::string start(header.size(), '\0');
  in.read(&start[0], start.size());
  EXPECT_EQ(start, header);
  EXPECT_EQ(list[1].bytes, static_cast<long long>(header.size() + 5));  // the end mark
}

// The recordings list names the arena each match was played on, from the file's match start;
// a file that is not a whole recording of this version names none.
TEST(KeptRecordings, TheArenaIsReadFromTheMatchStart) {
  TempFolder folder;
  const MatchStart was = match_start;
  match_start_set_arena("Hill", "1\n2\n3\n4\n5\n");
  folder.put("own", recording_header() + "Z");
  match_start_set_sector(5);
  const std::string shipped = recording_header();
  folder.put("shipped", shipped);
  match_start = was;
  EXPECT_EQ(kept_recording_arena(folder.path + "/own"), "Hill");
  EXPECT_STREQ(kept_recording_arena(folder.path + "/shipped").c_str(), arena_name(5));
  folder.put("cut", shipped.substr(0, shipped.size() - 1));
  folder.put("other", "not a recording");
  for (const char* name : {"cut", "other", "missing"})
    EXPECT_EQ(kept_recording_arena(folder.path + "/" + name), "") << name;
  EXPECT_EQ(mkfifo((folder.path + "/fifo").c_str(), 0600), 0);  // never waited for
  EXPECT_EQ(kept_recording_arena(folder.path + "/fifo"), "");
}

TEST(Recent, OnlyShortPrintableAddressesNewestFirstAndBounded) {
  std::string text = "  127.0.0.1:7777 \r\nbad entry\n\x01\x7f\n" + std::string(400, 'a') +
                     "\n[::1]:7000\n127.0.0.1:7777\n\n\xc3\xa9t\xc3\xa9\n";
  for (int i = 0; i < 20; i++) text += "host" + std::to_string(i) + "\n";
  auto list = recent_read_text(text);
  ASSERT_EQ(list.size(), size_t(RECENT_KEPT));
  EXPECT_EQ(list[0], "127.0.0.1:7777");
  EXPECT_EQ(list[1], "[::1]:7000");
  EXPECT_EQ(list[2], "host0");

  list = recent_with(list, "host3");
  EXPECT_EQ(list[0], "host3");
  EXPECT_EQ(list.size(), size_t(RECENT_KEPT));
  EXPECT_EQ(std::count(list.begin(), list.end(), "host3"), 1);
  EXPECT_EQ(recent_with(list, "two words"), list);
  EXPECT_EQ(recent_with(list, ""), list);
  alarm(10);  // a last line with no line end once read the text again without end
  EXPECT_EQ(recent_read_text("ROOM42\n127.0.0.1"),
            (std::vector<std::string>{"ROOM42", "127.0.0.1"}));
  alarm(0);
}

TEST(Recent, KeptInTheStateFolderThroughASafeWrite) {
  TempFolder home;
  setenv("XDG_STATE_HOME", home.path.c_str(), 1);
  EXPECT_TRUE(recent_load().empty());
  EXPECT_EQ(recent_add("127.0.0.1"), "");
  EXPECT_EQ(recent_add("ROOM42"), "");
  EXPECT_NE(recent_add("a b"), "");
  EXPECT_EQ(home.read("korvalen/recent"), "ROOM42\n127.0.0.1\n");
  EXPECT_EQ(recent_load(), (std::vector<std::string>{"ROOM42", "127.0.0.1"}));
  // a pipe in its place is never waited on
  unlink((home.path + "/korvalen/recent").c_str());
  ASSERT_EQ(mkfifo((home.path + "/korvalen/recent").c_str(), 0644), 0);
  EXPECT_TRUE(recent_load().empty());
  unsetenv("XDG_STATE_HOME");
}

TEST(SafeFile, ReplacesWholeAndLeavesNothingBehind) {
  TempFolder folder;
  EXPECT_EQ(write_file_safely(folder.path + "/new/file", "one"), "");
  EXPECT_EQ(write_file_safely(folder.path + "/new/file", "two"), "");
  EXPECT_EQ(folder.read("new/file"), "two");
  EXPECT_EQ(system(("test $(ls -A " + folder.path + "/new | wc -l) = 1").c_str()), 0);
  folder.put("plain", "x");
  EXPECT_NE(write_file_safely(folder.path + "/plain/under", "y"), "");  // not a folder
  EXPECT_NE(put_in_place(folder.path + "/missing", folder.path + "/plain"), "");
  EXPECT_EQ(folder.read("plain"), "x");
}

TEST(GameKeys, MenuLettersAreNobodysKeyAndEveryKeyHasAName) {
  binding_defaults();
  for (int k = 0; k < GAME_KEYS; k++) {
    int code = game_keys[k].code;
    EXPECT_STRNE(key_name(code), "") << k;
    for (int j = 0; j < k; j++) EXPECT_NE(game_keys[j].code, code) << k << " " << j;
    // the menu letters and the colour screen's arena key are letters no player has by default
    if (k >= MENU_LETTERS && k != GAME_KEY_ARENAS) continue;
    int player;
    EXPECT_EQ(bound_action(code, &player), -1) << key_name(code);
    EXPECT_FALSE(key_reserved(code)) << key_name(code);
    EXPECT_EQ(menu_letter(code), k < MENU_LETTERS ? k : -1);
  }
  EXPECT_EQ(menu_letter('E'), -1);
  EXPECT_EQ(menu_letter(VK_F1), -1);
}
