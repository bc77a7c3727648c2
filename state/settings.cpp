// The settings file: read with inih, edited line by line, written safely.
#include "state/settings.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <ini.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <type_traits>
#include <utility>

#include "state/files.h"
#include "state/safe_file.h"

const char* const key_action_names[KEY_ACTIONS] = {"up", "down", "left", "right", "use", "change"};

namespace {

constexpr size_t LARGEST_FILE = 1 << 20;            // a settings file is a few hundred bytes
constexpr char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";  // inih skips it before the first line
constexpr size_t LONGEST_VALUE = 150;  // the line, with its name, stays within inih's 200
constexpr int LISTED_SYNTAX_FAULTS = 20;
int changes_written = 0;
std::vector<std::string> load_problems;

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

// A name after a word's prefix (the word ending in ':'): 1 to 40 ASCII letters, digits, -
// and _, what a player's own files are named with.
bool prefixed_name(const char* text, const char* prefix) {
  const std::size_t length = strlen(prefix);
  if (!length || prefix[length - 1] != ':' || strncmp(text, prefix, length) != 0) return false;
  const char* name = text + length;
  const std::size_t size = strlen(name);
  if (size < 1 || size > 40) return false;
  for (const char* c = name; *c; c++)
    if (!isascii(static_cast<unsigned char>(*c)) ||
        !(isalnum(static_cast<unsigned char>(*c)) || *c == '-' || *c == '_'))
      return false;
  return true;
}

// A number in its plain form ("7" for "07"), the word as it stands, or the prefixed name.
bool number_or_word(const char* text, int low, int high, const char* const words[2],
                    std::string* value) {
  int n;
  if (strcmp(text, words[0]) == 0 || (words[1] && prefixed_name(text, words[1])))
    *value = text;
  else if (whole_number(text, low, high, &n))
    *value = std::to_string(n);
  else
    return false;
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

}  // namespace

// Where a row's value goes: a field of Settings that holds a number, or one that holds a
// word; the other is none.
template <typename Field>
constexpr int* (*number_field(Field field))(Settings&) {
  if constexpr (std::is_same_v<std::invoke_result_t<Field, Settings&>, int*>)
    return field;
  else
    return nullptr;
}
template <typename Field>
constexpr std::string* (*word_field(Field field))(Settings&) {
  if constexpr (std::is_same_v<std::invoke_result_t<Field, Settings&>, std::string*>)
    return field;
  else
    return nullptr;
}

const SettingRow SETTING_ROWS[SETTING_COUNT] = {
#define SETTING_ROW(id, section, name, type, low, high, words, expected, field, use) \
  {section,                                                                          \
   name,                                                                             \
   SettingType::type,                                                                \
   low,                                                                              \
   high,                                                                             \
   words,                                                                            \
   expected,                                                                         \
   number_field([](Settings& s) { return &s.field; }),                               \
   word_field([](Settings& s) { return &s.field; })},
    SETTINGS(SETTING_ROW)
#undef SETTING_ROW
};

namespace {

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
  const SettingRow* row = nullptr;
  for (const SettingRow& candidate : SETTING_ROWS)
    if (section == candidate.section && name == candidate.name) row = &candidate;
  if (row) {
    bool taken = false;
    if (row->type == SettingType::number)
      taken = whole_number(value, row->low, row->high, row->number(s));
    else if (row->type == SettingType::yes_no)
      taken = yes_no(value, row->number(s));
    else if (row->type == SettingType::number_or_word)
      taken = number_or_word(value, row->low, row->high, row->words, row->word(s));
    else if (row->type == SettingType::text || strcmp(value, row->words[0]) == 0 ||
             strcmp(value, row->words[1]) == 0)
      taken = (*row->word(s) = value, true);
    if (!taken) bad(row->expected);
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

// A value in double quotes is read without them: how the writer keeps a value inih would
// otherwise cut (a ';' at its start, blanks at its ends).
int take_unquoted(void* user, const char* section, const char* name, const char* value) {
  size_t length = strlen(value);
  if (length < 2 || value[0] != '"' || value[length - 1] != '"')
    return take_setting(user, section, name, value);
  return take_setting(user, section, name, std::string(value + 1, length - 2).c_str());
}

bool blank(char c) {
  return isspace(static_cast<unsigned char>(c));
}

// A value as the writer puts it in a line, so that inih reads exactly the value back: in
// quotes when inih would take its start for a comment, strip its blanks, or take off quotes
// it has. Empty when no line can hold it (a line end inside, a ';' after a blank inside, too
// long), and for an empty value.
std::string written_value(const std::string& value) {
  if (value.empty()) return "";
  bool quoted = value[0] == ';' || blank(value[0]) || blank(value.back()) ||
                (value.size() >= 2 && value[0] == '"' && value.back() == '"');
  std::string written = quoted ? '"' + value + '"' : value;
  for (size_t i = 0; i < written.size(); i++) {
    unsigned char c = written[i];
    if (c < ' ' || c == 127 || (c == ';' && i > 0 && blank(written[i - 1]))) return "";
  }
  return written.size() <= LONGEST_VALUE ? written : "";
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

// Where the value of a "name = value" line for name starts and ends, as inih reads it: a ';'
// after a blank starts a comment (the blank after the '=' counts), and the blanks around the
// value are not part of it. False for other lines.
bool value_span(const std::string& line, const std::string& name, size_t* from, size_t* to) {
  if (line.empty() || line[0] == ' ' || line[0] == '\t') return false;  // inih's continuation
  std::string t = trimmed(line);
  if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
  size_t sep = line.find_first_of("=:");
  if (sep == std::string::npos || trimmed(line.substr(0, sep)) != name) return false;
  size_t start = sep + 1, end = line.size();
  while (end > start && (line[end - 1] == '\n' || line[end - 1] == '\r')) end--;  // its line end
  for (size_t i = start + 1; i < end; i++)
    if (line[i] == ';' && blank(line[i - 1])) {
      end = i;
      break;
    }
  while (start < end && blank(line[start])) start++;
  while (end > start && blank(line[end - 1])) end--;
  *from = start;
  *to = end;
  return true;
}

// A path as a message shows it: a path of thousands of folders by its start.
std::string shown(const std::string& path) {
  return path.size() <= 200 ? path : path.substr(0, 160) + "...";
}

void complain(const std::string& path, const std::string& why) {
  fprintf(stderr, "korvalen: settings not saved to %s: %s\n", shown(path).c_str(), why.c_str());
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

// Whether every name a save makes beside the file (".settings.ini.XXXXXX", settings.ini.lock)
// fits in a path the system takes.
bool path_fits(const std::string& file) {
  return file.size() + sizeof ".XXXXXX" + 1 < PATH_MAX;
}

// Reads a whole regular file. Empty when it did; else why not ("" for a missing file). A file
// is only ever edited and written back whole, so one over LARGEST_FILE is not read at all.
std::string read_whole(const std::string& path, std::string* text) {
  std::FILE* f = open_regular_file(path.c_str(), "rb");
  if (!f) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return "it is not a readable regular file";
    return errno == ENOENT || errno == ENOTDIR ? "" : strerror(errno);
  }
  text->clear();
  char block[16384];
  size_t got;
  while (text->size() <= LARGEST_FILE && (got = fread(block, 1, sizeof block, f)) > 0)
    text->append(block, got);
  bool failed = ferror(f);
  fclose(f);
  if (failed) return std::string("it could not be read to its end: ") + strerror(EIO);
  if (text->size() > LARGEST_FILE)
    return "it is larger than 1 MiB, more than a settings file holds";
  return "";
}

// Saves are one at a time across every game on the machine: each holds a lock on FILE.lock
// from reading the file to renaming the new one in place, so none edits a file another is
// about to replace. The lock file stays (removing it would let two games lock two files).
// Two locks on its bytes, taken in turn, keep it fair: a game waiting for the save (byte 1)
// holds the turn (byte 0), so a game saving again and again cannot take the save back first.
// They are open-file locks (like flock: the process's other files do not touch them).
struct SaveLock {
  int fd = -1;
  bool held = false;  // false where there are no locks: saved all the same, unserialised
  ~SaveLock() {
    if (fd >= 0) close(fd);  // lets the locks go
  }
  bool lock_byte(off_t byte, short type) {
    struct flock range = {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
#ifdef F_OFD_SETLK
    return fcntl(fd, F_OFD_SETLK, &range) == 0;
#else
    errno = ENOSYS;  // a C library without them (the browser's): saves are not shared there
    return false;
#endif
  }
  // Waits up to two seconds for other games' saves (one takes milliseconds); empty when the
  // save may go on, else why not.
  std::string take(const std::string& file) {
    std::string name = file + ".lock";
    fd = open(name.c_str(), O_RDWR | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EACCES) return "";  // another user's lock: nothing to wait for
    if (fd < 0) return std::string("cannot open its lock ") + name + ": " + strerror(errno);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (off_t byte : {0, 1}) {
      while (!lock_byte(byte, F_WRLCK)) {
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) return "";  // no locks here
        if (std::chrono::steady_clock::now() > until) return "another game is saving it";
        usleep(1000);
      }
    }
    lock_byte(0, F_UNLCK);
    held = true;
    return "";
  }
};

// A save killed between writing its temporary file and renaming it leaves the file behind.
// With the lock held no other game's save is under way, so every file of the pattern is one
// of those, but for a name a player may have chosen.
void remove_stale_temporaries(const std::string& folder, const std::string& base) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::string start = "." + base + ".";
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() != start.size() + 6 || name.compare(0, start.size(), start) != 0) continue;
    bool ours = !chosen_name(name, start.size());
    for (size_t i = start.size(); i < name.size(); i++)
      ours = ours && isalnum(static_cast<unsigned char>(name[i]));
    std::string path = folder + "/" + name;
    struct stat st;
    if (ours && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(path.c_str());
  }
  closedir(dir);
}

// The old file becomes FILE.bak with FILE never missing: a second name is linked to it and
// renamed over the backup (where the folder takes no links, a copy of it is). A backup that
// cannot be made does not stop the save.
void keep_backup(const std::string& file, const std::string& pattern, const std::string& old,
                 mode_t mode) {
  std::string spare = pattern;
  int fd = make_temporary(&spare);
  if (fd < 0) return;
  close(fd);
  unlink(spare.c_str());  // the name stays ours: every save of this file holds the lock
  if (link(file.c_str(), spare.c_str()) != 0 && write_temporary(pattern, old, mode, &spare) != 0)
    return;
  if (rename(spare.c_str(), (file + ".bak").c_str()) != 0) unlink(spare.c_str());
}

}  // namespace

void settings_read_text(const std::string& text, const std::string& file, Settings* settings,
                        std::vector<std::string>* problems) {
  std::set<int> not_ini;
  Reading r(&text, &not_ini);
  // inih names only the first line that is not INI; each is noted and read again as empty.
  for (;;) {
    r = Reading(&text, &not_ini);
    int fault = ini_parse_stream(next_line, &r, take_unquoted, &r);
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

std::string settings_edit_text(const std::string& file_text, const std::string& section,
                               const std::string& name, const std::string& value) {
  std::string written = written_value(value);
  if (written.empty() && !value.empty()) return file_text;
  // inih skips a byte-order mark before the first line; so does the editor, and keeps it
  size_t mark = file_text.compare(0, 3, BYTE_ORDER_MARK) == 0 ? 3 : 0;
  const std::string text = file_text.substr(mark);
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
    if (from == to && from > 0 && !blank(line[from - 1])) written = " " + written;
    if (from == to && to < line.size() && line[to] == ';') written += " ";  // keep the comment
    line = line.substr(0, from) + written + line.substr(to);
  } else {
    std::string ending = "\n";
    if (!lines.empty() && lines[0].size() >= 2 &&
        lines[0].compare(lines[0].size() - 2, 2, "\r\n") == 0)
      ending = "\r\n";  // the file's own line ends
    if (!lines.empty() && lines.back().back() != '\n') lines.back() += ending;
    std::string added = name + " = " + written + ending;
    if (section_end >= 0)
      lines.insert(lines.begin() + section_end + 1, added);
    else
      lines.push_back((lines.empty() ? "" : ending) + "[" + section + "]" + ending + added);
  }
  std::string out = file_text.substr(0, mark);
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
  load_problems.clear();
  std::string path = settings_path(), text;
  if (path.empty()) return settings;
  std::string why =
      path_fits(path) ? read_whole(path, &text) : "its path is longer than the system allows";
  if (!why.empty()) {
    fprintf(stderr, "korvalen: settings not read from %s: %s\n", shown(path).c_str(), why.c_str());
    load_problems.push_back(shown(path) + ": " + why);
  }
  if (!why.empty() || text.empty()) return settings;
  std::vector<std::string> problems;
  settings_read_text(text, path, &settings, &problems);
  for (const std::string& p : problems) fprintf(stderr, "korvalen: %s\n", p.c_str());
  load_problems = problems;
  return settings;
}

bool settings_store(const std::string& section, const std::string& name, const std::string& value) {
  std::string path = settings_path();
  if (path.empty()) {
    complain("~/.config/korvalen", "no home folder (HOME and XDG_CONFIG_HOME are unset)");
    return false;
  }
  std::string file = through_links(path);
  if (!path_fits(file)) {
    complain(file, "its path is longer than the system allows");
    return false;
  }
  if (written_value(value).empty() && !value.empty()) {
    complain(file, "'" + value + "' cannot be written in it");
    return false;
  }
  std::string folder = file.substr(0, file.rfind('/')), base = file.substr(folder.size() + 1);
  if (!make_folders(folder)) {
    complain(file, strerror(errno));
    return false;
  }
  SaveLock lock;
  std::string why = lock.take(file);
  if (!why.empty()) {
    complain(file, why);
    return false;
  }
  if (lock.held) remove_stale_temporaries(folder, base);
  // read under the lock: what another game saved a moment ago stays
  std::string old;
  struct stat st;
  bool existed = lstat(file.c_str(), &st) == 0;
  why = existed ? read_whole(file, &old) : "";
  if (!why.empty()) {
    complain(file, why);
    return false;
  }
  std::string text = settings_edit_text(old, section, name, value);
  if (existed && text == old) return true;
  std::string pattern = folder + "/." + base + ".XXXXXX", temporary;
  mode_t mode = existed ? st.st_mode & 07777 : 0644;
  int error = write_temporary(pattern, text, mode, &temporary);
  if (!error) {
    if (existed) keep_backup(file, pattern, old, mode);
    if (rename(temporary.c_str(), file.c_str()) != 0) {
      error = errno;
      unlink(temporary.c_str());
    }
  }
  if (error) {
    complain(file, strerror(error));
    return false;
  }
  sync_folder(folder);
  changes_written++;
  return true;
}

const std::vector<std::string>& settings_load_problems() {
  return load_problems;
}

int settings_changes() {
  return changes_written;
}

bool settings_store(SettingId id, const std::string& value) {
  return settings_store(SETTING_ROWS[id].section, SETTING_ROWS[id].name, value);
}
