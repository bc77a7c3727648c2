// A player's own arenas on disk, and the careful reading of his folder.
#include "flow/own_arenas.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "flow/step_clock.h"
#include "state/language.h"
#include "state/safe_file.h"
#include "world/world.h"

namespace {

constexpr int VALUES_PER_BUILDING = 5;
constexpr int LINE_PIECE = 254;  // the map reader's line buffer, as the map file knows it
// Folder entries looked at in one go before the clock is read again.
constexpr int ENTRIES_AT_ONCE = 256;
// A folder is looked at this far at most, whatever it holds.
constexpr int FOLDER_ENTRIES_MAX = 100000;

int saves;

bool ends_with(const std::string& s, const char* end) {
  std::size_t n = std::strlen(end);
  return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

OwnArena refused(const std::string& name, const char* why, int line = 0) {
  OwnArena a;
  a.name = name;
  a.why = tr(why);
  a.line = line;
  return a;
}

// The file line each value line of the bytes comes from, as the map reader cuts them: empty
// lines skipped, a carriage return before a line feed dropped, a long line read in pieces.
std::vector<int> value_line_numbers(const char* data, std::size_t size) {
  std::vector<int> lines;
  std::size_t at = 0;
  for (int line = 1; at < size && (int)lines.size() < OWN_ARENA_VALUE_LINES; line++) {
    std::size_t end = at;
    while (end < size && data[end] != '\n') end++;
    std::size_t length = end - at;
    if (length && data[end - 1] == '\r' && end < size) length--;
    for (std::size_t piece = 0; piece < length; piece += LINE_PIECE) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

}  // namespace

bool wall_on_field(const Wall& w) {
  return w.w >= 1 && w.h >= 1 && w.x >= 0 && w.y >= 0 && w.w <= EDIT_FIELD_W &&
         w.h <= EDIT_FIELD_H && w.x <= EDIT_FIELD_W - w.w && w.y <= EDIT_FIELD_H - w.h;
}

bool own_arena_name_ok(const std::string& name) {
  if (name.empty() || name.size() > OWN_NAME_MAX) return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

std::string own_arenas_folder() {
  const char* data = getenv("XDG_DATA_HOME");
  if (data && *data == '/') return std::string(data) + "/korvalen/arenas";
  const char* home = getenv("HOME");
  if (!home || !*home) return "";
  return std::string(home) + "/.local/share/korvalen/arenas";
}

std::vector<Sbuild> walls_buildings(const std::vector<Wall>& walls) {
  std::vector<Sbuild> table;
  Sbuild inert{};
  inert.x = inert.y = -100;
  inert.x2 = inert.y2 = -1;
  table.push_back(inert);
  for (const Wall& w : walls) {
    Sbuild b{};
    b.mask = 1;
    b.x = w.x;
    b.y = w.y;
    b.x2 = w.w;
    b.y2 = w.h;
    table.push_back(b);
  }
  return table;
}

std::string walls_file_text(const std::vector<Wall>& walls) {
  std::string text =
      "0 record 0 never shows but still blocks, so it is inert: mask\n-100 x\n-100 y\n"
      "-1 width: negative, blocks and draws nothing\n-1 depth: negative\n";
  char record[160];
  for (std::size_t i = 0; i < walls.size(); i++) {
    const Wall& w = walls[i];
    std::snprintf(record, sizeof record, "\n1 wall %zu\n%d x\n%d y\n%d width\n%d depth\n", i + 1,
                  w.x, w.y, w.w, w.h);
    text += record;
  }
  return text;
}

std::string walls_value_lines(const std::vector<Wall>& walls) {
  std::string file = walls_file_text(walls);
  return map_value_lines(file.data(), file.size());
}

std::string own_arena_save(const std::string& folder, const std::string& name,
                           const std::vector<Wall>& walls, bool overwrite, bool* exists) {
  *exists = false;
  if (!own_arena_name_ok(name)) return tr("Meno smie mat len pismena, cislice, - a _");
  if (folder.empty()) return tr("Chyba domovsky priecinok");
  if (!make_folders(folder)) return std::strerror(errno);
  const std::string path = folder + "/" + name + ".txt";
  std::string temporary;
  int error = write_temporary(folder + "/." + name + ".txt.XXXXXX", walls_file_text(walls), 0644,
                              &temporary);
  if (error) return std::strerror(error);
  if (overwrite) {
    if (rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  } else if (link(temporary.c_str(), path.c_str()) != 0) {
    // a link either makes the name or finds it taken, never replacing what a player had
    error = errno;
    if (error != EEXIST) {
      // a file system without links (the browser's): look, then rename
      struct stat st;
      if (lstat(path.c_str(), &st) == 0)
        error = EEXIST;
      else
        error = rename(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
    }
  }
  unlink(temporary.c_str());
  if (error == EEXIST) {
    *exists = true;
    return tr("Arena s tymto menom uz je: prepisat?");
  }
  if (error) return std::strerror(error);
  sync_folder(folder);
  saves++;
  return "";
}

int own_arena_saves() {
  return saves;
}

OwnArena own_arena_from_bytes(const std::string& name, const char* data, std::size_t size) {
  int line = 1;
  for (std::size_t i = 0; i < size; i++) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c == '\n') line++;
    if ((c < ' ' && c != '\n' && c != '\r' && c != '\t') || c > '~')
      return refused(name, "Nie je to textovy subor", line);
  }
  OwnArena a;
  a.name = name;
  a.text = map_value_lines(data, size);
  const std::vector<int> lines = value_line_numbers(data, size);
  // the buildings as the match start fills them: "-" leaves a field as the reset left it
  std::vector<Sbuild> table;
  const char* at = a.text.c_str();
  int values = static_cast<int>(lines.size());
  for (int i = 0; i < values / VALUES_PER_BUILDING; i++) {
    Sbuild b{};
    b.x = b.y = b.z = b.x2 = b.y2 = -100;
    int* fields[VALUES_PER_BUILDING] = {&b.mask, &b.x, &b.y, &b.x2, &b.y2};
    for (int* field : fields) {
      if (*at != '-' || (at[1] >= '0' && at[1] <= '9')) *field = std::atoi(at);
      at = std::strchr(at, '\n') + 1;
    }
    table.push_back(b);
  }
  if (table.size() < 2) return refused(name, "Ziadna stena", lines.empty() ? 0 : lines.back());
  const ArenaVerdict v = arena_check(table.data(), static_cast<int>(table.size()));
  if (v.rule != ARENA_PLAYABLE) {
    a.why = arena_verdict_text(v);
    if (v.building >= 0 && v.building < (int)table.size())
      a.line = lines[static_cast<std::size_t>(v.building) * VALUES_PER_BUILDING];
    return a;
  }
  for (std::size_t i = 1; i < table.size(); i++)
    if (table[i].x2 > 0 && table[i].y2 > 0)
      a.walls.push_back({table[i].x, table[i].y, table[i].x2, table[i].y2});
  a.usable = true;
  return a;
}

OwnArena own_arena_read(const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name + ".txt";
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP) return refused(name, "Je to odkaz, nie subor");
    return refused(name, "Neda sa citat");
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return refused(name, "Nie je to obycajny subor");
  }
  if (st.st_size > OWN_ARENA_BYTES) {
    close(fd);
    return refused(name, "Prilis velky subor");
  }
  std::string bytes(static_cast<std::size_t>(OWN_ARENA_BYTES) + 1, '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = read(fd, &bytes[got], bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  if (got > static_cast<std::size_t>(OWN_ARENA_BYTES)) return refused(name, "Prilis velky subor");
  return own_arena_from_bytes(name, bytes.data(), got);
}

void own_arenas_begin(OwnArenaListing* l, const std::string& folder) {
  own_arenas_end(l);
  *l = OwnArenaListing();
  l->folder = folder;
  l->dir = folder.empty() ? nullptr : opendir(folder.c_str());
  if (!l->dir) l->done = true;
}

namespace {

// Reads a few of the folder's names; the names are whole (sorted, the first
// OWN_ARENAS_LISTED kept) once the folder is closed.
void read_some_names(OwnArenaListing* l) {
  DIR* dir = static_cast<DIR*>(l->dir);
  for (int n = 0; n < ENTRIES_AT_ONCE; n++) {
    const dirent* e = l->entries_seen < FOLDER_ENTRIES_MAX ? readdir(dir) : nullptr;
    if (!e) {
      closedir(dir);
      l->dir = nullptr;
      std::sort(l->names.begin(), l->names.end());
      if ((int)l->names.size() > OWN_ARENAS_LISTED) l->names.resize(OWN_ARENAS_LISTED);
      return;
    }
    l->entries_seen++;
    std::string file = e->d_name;
    if (!ends_with(file, ".txt")) continue;
    std::string name = file.substr(0, file.size() - 4);
    if (own_arena_name_ok(name)) l->names.push_back(name);
    // the first names by order are kept: a folder of thousands costs no more memory
    if (l->names.size() > 4 * static_cast<std::size_t>(OWN_ARENAS_LISTED)) {
      std::sort(l->names.begin(), l->names.end());
      l->names.resize(OWN_ARENAS_LISTED);
    }
  }
}

}  // namespace

bool own_arenas_more(OwnArenaListing* l, long long deadline_ns) {
  // one piece at least each call, then another only while the longest so far still fits
  for (bool first = true; !l->done; first = false) {
    const long long start = monotonic_now_ns();
    if (!first && start + l->longest_ns > deadline_ns) break;
    if (l->dir)
      read_some_names(l);
    else if (l->next < l->names.size())
      l->arenas.push_back(own_arena_read(l->folder, l->names[l->next++]));
    else
      l->done = true;
    const long long took = monotonic_now_ns() - start;
    if (took > l->longest_ns) l->longest_ns = took;
  }
  return l->done;
}

std::vector<std::string> own_arena_names(const std::string& folder) {
  OwnArenaListing l;
  own_arenas_begin(&l, folder);
  while (l.dir) read_some_names(&l);
  return l.names;
}

void own_arenas_end(OwnArenaListing* l) {
  if (l->dir) closedir(static_cast<DIR*>(l->dir));
  l->dir = nullptr;
}
