#include "record/kept.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "record/recording.h"
#include "state/safe_file.h"
#include "world/arenas.h"

namespace {

const char* const colour_names[] = {"red", "blue", "green", "yellow", "purple", "cyan"};
constexpr char PLAYERS_BETWEEN[] = "-vs-";
constexpr char HIDDEN_START[] = ".match.";  // and six characters: a match being written

bool player_name(const std::string& name) {
  if (name == "computer") return true;
  for (const char* colour : colour_names)
    if (name == colour) return true;
  return false;
}

bool digits(const std::string& s, std::size_t from, std::size_t count) {
  if (s.size() < from + count) return false;
  for (std::size_t i = from; i < from + count; i++)
    if (!isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

// Calls take(name) for every entry of the folder that has a kept recording's name and is a
// regular file, up to READ_FOLDER_ENTRIES entries read.
template <typename Take>
void each_kept(const std::string& folder, Take take) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  int read = 0;
  while (const dirent* entry = readdir(dir)) {
    if (++read > READ_FOLDER_ENTRIES) break;
    std::string name = entry->d_name;
    if (!is_kept_recording_name(name)) continue;
    struct stat st;
    if (fstatat(dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
      continue;
    take(name, static_cast<long long>(st.st_size));
  }
  closedir(dir);
}

}  // namespace

const char* kept_player_name(int avatar, bool computer) {
  if (computer) return "computer";
  return avatar >= 1 && avatar <= 6 ? colour_names[avatar - 1] : "player";
}

std::string kept_recording_name(std::time_t start, const std::string& player1,
                                const std::string& player2) {
  std::tm local{};
  localtime_r(&start, &local);
  char stamp[32];
  strftime(stamp, sizeof stamp, "%Y-%m-%d_%H%M%S_", &local);
  return stamp + player1 + PLAYERS_BETWEEN + player2;
}

bool is_kept_recording_name(const std::string& name) {
  // YYYY-MM-DD_HHMMSS_ is 18 characters
  if (!digits(name, 0, 4) || name[4] != '-' || !digits(name, 5, 2) || name[7] != '-' ||
      !digits(name, 8, 2) || name[10] != '_' || !digits(name, 11, 6) || name[17] != '_')
    return false;
  std::string players = name.substr(18);
  if (players.size() > 2 && players[players.size() - 2] == '_' && players.back() >= '2' &&
      players.back() <= '9')
    players.resize(players.size() - 2);
  std::size_t between = players.find(PLAYERS_BETWEEN);
  return between != std::string::npos && player_name(players.substr(0, between)) &&
         player_name(players.substr(between + strlen(PLAYERS_BETWEEN)));
}

std::string kept_recordings_folder() {
  const char* data = getenv("XDG_DATA_HOME");
  if (data && *data == '/') return std::string(data) + "/korvalen/recordings";
  const char* home = getenv("HOME");
  if (!home || !*home) return "";
  return std::string(home) + "/.local/share/korvalen/recordings";
}

std::vector<KeptRecording> list_kept_recordings(const std::string& folder, int most) {
  // the newest most, by name: the name starts with the time, so it sorts by time
  std::set<std::pair<std::string, long long>> newest;
  each_kept(folder, [&](const std::string& name, long long bytes) {
    newest.insert({name, bytes});
    if ((int)newest.size() > most) newest.erase(newest.begin());
  });
  std::vector<KeptRecording> list;
  for (auto it = newest.rbegin(); it != newest.rend(); ++it)
    list.push_back({it->first, it->second});
  return list;
}

std::string kept_recording_arena(const std::string& path) {
  // the header and its match start: the version, the arena's text and name fit in this
  constexpr std::size_t HEAD = 16 + 255 + 16 + MAP_TEXT_MAX + 256;
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return "";
  struct stat st;
  std::vector<std::uint8_t> head(HEAD);
  std::size_t got = 0;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    ssize_t n;
    while (got < HEAD && (n = read(fd, head.data() + got, HEAD - got)) > 0) got += n;
  }
  close(fd);
  MatchStart start;
  std::size_t end;
  std::string why;
  if (!recording_match_start(head.data(), got, &start, &end, &why)) return "";
  return start.arena_name.empty() ? arena_name(start.sector) : start.arena_name;
}

namespace {

// A game killed during a match leaves its hidden recording behind. A match being kept is
// written to at least once a second, so one untouched for an hour is no game's any more.
void remove_abandoned(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  int read = 0;
  std::time_t now = std::time(nullptr);
  while (const dirent* entry = readdir(dir)) {
    if (++read > READ_FOLDER_ENTRIES) break;
    std::string name = entry->d_name;
    if (name.size() != sizeof HIDDEN_START - 1 + 6 ||
        name.compare(0, sizeof HIDDEN_START - 1, HIDDEN_START) != 0 ||
        chosen_name(name, name.size() - 6))
      continue;
    struct stat st;
    if (fstatat(dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        now - st.st_mtime > 3600)
      unlinkat(dirfd(dir), name.c_str(), 0);
  }
  closedir(dir);
}

}  // namespace

int prune_kept_recordings(const std::string& folder, int keep) {
  remove_abandoned(folder);
  std::vector<std::string> names;
  each_kept(folder, [&](const std::string& name, long long) { names.push_back(name); });
  if ((int)names.size() <= keep) return 0;
  std::sort(names.begin(), names.end());
  int removed = 0;
  for (std::size_t i = 0; i + keep < names.size(); i++)
    removed += unlink((folder + "/" + names[i]).c_str()) == 0;
  return removed;
}

std::string kept_recording_begin(const std::string& folder, std::string* hidden) {
  if (folder.empty()) return "no home folder (HOME and XDG_DATA_HOME are unset)";
  if (!make_folders(folder)) return folder + ": " + strerror(errno);
  std::string pattern = folder + "/" + HIDDEN_START + "XXXXXX";
  int fd = make_temporary(&pattern);
  if (fd < 0) return folder + ": " + strerror(errno);
  close(fd);
  std::string why;
  if (!record_open(pattern.c_str(), &why)) {
    unlink(pattern.c_str());
    return why;
  }
  *hidden = pattern;
  return "";
}

std::string kept_recording_end(const std::string& folder, const std::string& hidden,
                               const std::string& name) {
  record_finish();
  std::string why;
  if (record_lost(&why)) {
    unlink(hidden.c_str());
    return why;
  }
  std::string path = folder + "/" + name;
  struct stat st;
  for (char n = '2'; n <= '9' && lstat(path.c_str(), &st) == 0; n++)
    path = folder + "/" + name + "_" + n;
  why = put_in_place(hidden, path);
  if (!why.empty()) {
    unlink(hidden.c_str());
    return path + ": " + why;
  }
  prune_kept_recordings(folder);
  return "";
}
