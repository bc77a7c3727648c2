// The settings file: read with inih, edited line by line, written safely.
#include "state/settings.h"

#include <errno.h>
#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "state/files.h"

const char* const key_action_names[KEY_ACTIONS] = {"up", "down", "left", "right", "use", "change"};

namespace {

constexpr long long LARGEST_FILE = 1 << 20;  // a settings file is a few hundred bytes
constexpr int LISTED_SYNTAX_FAULTS = 20;
int changes_written = 0;

// What one reading pass carries: the text line by line, and what it found.
struct Reading {
  Reading(const std::string* text, const std::set<int>* skipped) : text(text), skipped(skipped) {}
  const std::string* text;
  const std::set<int>* skipped;  // lines inih reported as not INI, read as empty
  size_t at = 0;
  int line = 0;
  Settings settings;
  std::vector<std::pair<int, std::string>> problems;
};

// inih's line reader over the text: one whole line per call, however long (the rest of a
// line too long for inih is dropped), so the line count is the file's.
char* next_line(char* out, int size, void* stream) {
  Reading* r = static_cast<Reading*>(stream);
  if (r->at >= r->text->size()) return nullptr;
  size_t end = r->text->find('\n', r->at);
  if (end == std::string::npos) end = r->text->size();
  r->line++;
  size_t length = std::min(end - r->at, (size_t)size - 1);
  if (r->skipped->count(r->line)) length = 0;
  memcpy(out, r->text->data() + r->at, length);
  out[length] = '\0';
  r->at = end + 1;
  return out;
}

// A whole decimal number from low to high, nothing else.
bool whole_number(const char* text, int low, int high, int* value) {
  if (!*text || strlen(text) > 3) return false;
  for (const char* c = text; *c; c++)
    if (*c < '0' || *c > '9') return false;
  int n = atoi(text);
  if (n < low || n > high) return false;
  *value = n;
  return true;
}

bool yes_no(const char* text, int* value) {
  if (strcmp(text, "yes") == 0) return *value = 1, true;
  if (strcmp(text, "no") == 0) return *value = 0, true;
  return false;
}

// playerP.ACTION as a key setting; false for any other name.
bool key_name(const char* name, KeySetting* key) {
  if (strncmp(name, "player", 6) != 0 || (name[6] != '1' && name[6] != '2') || name[7] != '.')
    return false;
  for (int a = 0; a < KEY_ACTIONS; a++) {
    if (strcmp(name + 8, key_action_names[a]) == 0) {
      key->player = name[6] - '0';
      key->action = a;
      return true;
    }
  }
  return false;
}

// Takes one name = value; a line it cannot use is noted and changes nothing.
int take_setting(void* user, const char* section_c, const char* name_c, const char* value) {
  Reading* r = static_cast<Reading*>(user);
  Settings& s = r->settings;
  std::string section = section_c, name = name_c;
  auto bad = [&](const char* expected) {
    r->problems.push_back({r->line, "'" + std::string(value) + "' is not a value for " + name +
                                        " (" + expected + "), ignored"});
  };
  bool known = true;
  if (section == "game" && name == "speed") {
    if (!whole_number(value, 1, 3, &s.speed)) bad("1, 2 or 3");
  } else if (section == "game" && name == "pace") {
    if (strcmp(value, "clock") == 0 || strcmp(value, "frame") == 0)
      s.pace = value;
    else
      bad("clock or frame");
  } else if (section == "display" && (name == "fullscreen" || name == "change_mode")) {
    if (!yes_no(value, name == "fullscreen" ? &s.fullscreen : &s.change_mode)) bad("yes or no");
  } else if (section == "sound" && name == "volume") {
    if (!whole_number(value, 0, 100, &s.volume)) bad("0 to 100");
  } else if (section == "language" && name == "language") {
    if (strcmp(value, "sk") == 0 || strcmp(value, "en") == 0)
      s.language = value;
    else
      bad("sk or en");
  } else if (section == "players" && (name == "avatar1" || name == "avatar2")) {
    if (!whole_number(value, 1, 6, &s.avatar[name[6] - '0'])) bad("1 to 6");
  } else if (section == "online" && (name == "server" || name == "server_ca")) {
    (name == "server" ? s.server : s.server_ca) = value;
  } else if (section == "online" && name == "relay_only") {
    if (!yes_no(value, &s.relay_only)) bad("yes or no");
  } else if (section == "keys") {
    KeySetting key;
    known = key_name(name_c, &key);
    if (known && !*value) bad("a key name");
    if (known && *value) {
      key.name = value;
      key.line = r->line;
      s.keys.push_back(key);
    }
  } else {
    known = false;
  }
  if (!known)
    r->problems.push_back(
        {r->line, "unknown setting '" + name + "' in [" + section + "], ignored"});
  return 1;  // inih's own error mark is kept for lines that are not INI at all
}

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// The section a line opens, or false when it is not a section line.
bool section_line(const std::string& line, std::string* section) {
  std::string t = trimmed(line);
  if (t.empty() || t[0] != '[') return false;
  // As inih reads it: a ";" after a space starts a comment before any "]", and such a line
  // opens no section (the one before it goes on).
  size_t close = std::string::npos;
  for (size_t i = 1; i < t.size() && close == std::string::npos; i++) {
    if (t[i] == ';' && isspace(static_cast<unsigned char>(t[i - 1]))) return false;
    if (t[i] == ']') close = i;
  }
  if (close == std::string::npos) return false;
  *section = t.substr(1, close - 1);  // as inih takes it: spaces inside the brackets count
  return true;
}

// Where the value of a "name = value" line for name starts and ends; false for other lines.
bool value_span(const std::string& line, const std::string& name, size_t* from, size_t* to) {
  if (line.empty() || line[0] == ' ' || line[0] == '\t') return false;  // inih's continuation
  std::string t = trimmed(line);
  if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
  size_t sep = line.find_first_of("=:");
  if (sep == std::string::npos || trimmed(line.substr(0, sep)) != name) return false;
  size_t start = line.find_first_not_of(" \t", sep + 1);
  if (start == std::string::npos) start = line.size();
  size_t end = line.size();
  for (size_t i = start; i < line.size(); i++)
    if (line[i] == ';' && i > start && (line[i - 1] == ' ' || line[i - 1] == '\t')) {
      end = i;
      break;
    }
  while (end > start && strchr(" \t\r\n", line[end - 1])) end--;
  *from = start;
  *to = end;
  return true;
}

void complain(const std::string& path, const std::string& why) {
  fprintf(stderr, "korvalen: settings not saved to %s: %s\n", path.c_str(), why.c_str());
}

// The file a path names once every link is followed (a dotfile manager's link stays a link).
std::string through_links(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < 40; hops++) {
    char target[4096];
    ssize_t n = readlink(at.c_str(), target, sizeof target - 1);
    if (n <= 0) break;
    target[n] = '\0';
    if (target[0] == '/')
      at = target;
    else
      at = at.substr(0, at.rfind('/') + 1) + target;
  }
  return at;
}

// Makes a folder and those above it; false (with errno) when one cannot be made.
bool make_folders(const std::string& folder) {
  struct stat st;
  if (folder.empty() || stat(folder.c_str(), &st) == 0) return true;
  size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0 && !make_folders(folder.substr(0, slash)))
    return false;
  return mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
}

// Reads a whole regular file of at most LARGEST_FILE bytes; false when it is not one.
bool read_whole(const std::string& path, std::string* text) {
  long long size = 0;
  std::FILE* f = open_regular_file(path.c_str(), "rb", &size);
  if (!f) return false;
  text->assign(std::min(size, LARGEST_FILE), '\0');
  text->resize(fread(&(*text)[0], 1, text->size(), f));
  fclose(f);
  return true;
}

bool write_all(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

}  // namespace

void settings_read_text(const std::string& text, const std::string& file, Settings* settings,
                        std::vector<std::string>* problems) {
  std::set<int> not_ini;
  Reading r(&text, &not_ini);
  // inih names only the first line that is not INI; each is noted and read again as empty.
  for (;;) {
    r = Reading(&text, &not_ini);
    int fault = ini_parse_stream(next_line, &r, take_setting, &r);
    if (fault <= 0 || (int)not_ini.size() >= LISTED_SYNTAX_FAULTS || not_ini.count(fault)) break;
    not_ini.insert(fault);
  }
  for (int line : not_ini)
    r.problems.push_back({line, "not a setting ([section] or name = value), ignored"});
  std::stable_sort(r.problems.begin(), r.problems.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  *settings = r.settings;
  for (const auto& p : r.problems)
    problems->push_back(file + ":" + std::to_string(p.first) + ": " + p.second);
}

std::string settings_edit_text(const std::string& text, const std::string& section,
                               const std::string& name, const std::string& value) {
  std::vector<std::string> lines;  // each with its line end
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  std::string current;
  int last_setting = -1, section_end = -1;
  for (int i = 0; i < (int)lines.size(); i++) {
    size_t from, to;
    if (section_line(lines[i], &current)) {
      if (current == section) section_end = i;
    } else if (current == section) {
      if (!trimmed(lines[i]).empty() && trimmed(lines[i])[0] != ';' && trimmed(lines[i])[0] != '#')
        section_end = i;
      if (value_span(lines[i], name, &from, &to)) last_setting = i;
    }
  }
  if (last_setting >= 0) {
    size_t from, to;
    std::string& line = lines[last_setting];
    value_span(line, name, &from, &to);
    line = line.substr(0, from) + value + line.substr(to);
  } else {
    std::string ending = "\n";
    if (!lines.empty() && lines[0].size() >= 2 &&
        lines[0].compare(lines[0].size() - 2, 2, "\r\n") == 0)
      ending = "\r\n";  // the file's own line ends
    if (!lines.empty() && lines.back().back() != '\n') lines.back() += ending;
    std::string added = name + " = " + value + ending;
    if (section_end >= 0)
      lines.insert(lines.begin() + section_end + 1, added);
    else
      lines.push_back((lines.empty() ? "" : ending) + "[" + section + "]" + ending + added);
  }
  std::string out;
  for (const std::string& line : lines) out += line;
  return out;
}

std::string settings_path() {
  const char* config = getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/korvalen/settings.ini";
  const char* home = getenv("HOME");
  if (!home || !*home) return "";
  return std::string(home) + "/.config/korvalen/settings.ini";
}

Settings settings_load() {
  Settings settings;
  std::string path = settings_path(), text;
  if (path.empty() || !read_whole(path, &text)) return settings;
  std::vector<std::string> problems;
  settings_read_text(text, path, &settings, &problems);
  for (const std::string& p : problems) fprintf(stderr, "korvalen: %s\n", p.c_str());
  return settings;
}

bool settings_store(const std::string& section, const std::string& name, const std::string& value) {
  std::string path = settings_path();
  if (path.empty()) {
    complain("~/.config/korvalen", "no home folder (HOME and XDG_CONFIG_HOME are unset)");
    return false;
  }
  std::string file = through_links(path), old;
  struct stat st;
  bool existed = lstat(file.c_str(), &st) == 0;
  if (existed && !read_whole(file, &old)) {
    complain(file, "it is not a readable regular file");
    return false;
  }
  std::string text = settings_edit_text(old, section, name, value);
  if (existed && text == old) return true;
  std::string folder = file.substr(0, file.rfind('/'));
  if (!make_folders(folder)) {
    complain(file, strerror(errno));
    return false;
  }
  std::string temporary = folder + "/.settings.ini.XXXXXX";
  int fd = mkstemp(&temporary[0]);
  if (fd < 0) {
    complain(file, strerror(errno));
    return false;
  }
  fchmod(fd, existed ? (st.st_mode & 07777) : 0644);
  bool written = write_all(fd, text) && fsync(fd) == 0;
  int error = errno;
  written = close(fd) == 0 && written;
  if (written) {
    if (existed) {
      std::string backup = file + ".bak";
      unlink(backup.c_str());
      if (link(file.c_str(), backup.c_str()) != 0) rename(file.c_str(), backup.c_str());
    }
    written = rename(temporary.c_str(), file.c_str()) == 0;
    error = errno;
  }
  if (!written) {
    unlink(temporary.c_str());
    complain(file, strerror(error ? error : EIO));
    return false;
  }
  int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  changes_written++;
  return true;
}

int settings_changes() {
  return changes_written;
}
