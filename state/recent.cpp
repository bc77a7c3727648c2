#include "state/recent.h"

#include <cstdlib>

#include "state/files.h"
#include "state/safe_file.h"

namespace {

constexpr std::size_t LARGEST_READ = 64 * 1024;  // RECENT_KEPT lines of RECENT_LONGEST are 3 kB

std::string trimmed(const std::string& line) {
  std::size_t from = line.find_first_not_of(" \t\r"), to = line.find_last_not_of(" \t\r");
  return from == std::string::npos ? "" : line.substr(from, to - from + 1);
}

}  // namespace

bool recent_entry_fits(const std::string& entry) {
  if (entry.empty() || entry.size() > RECENT_LONGEST) return false;
  for (char c : entry)
    if (c <= ' ' || c > '~') return false;
  return true;
}

std::vector<std::string> recent_read_text(const std::string& text) {
  std::vector<std::string> list;
  for (std::size_t at = 0; at < text.size() && (int)list.size() < RECENT_KEPT;) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string entry = trimmed(text.substr(at, end - at));
    at = end + 1;
    bool seen = false;
    for (const std::string& e : list) seen = seen || e == entry;
    if (!seen && recent_entry_fits(entry)) list.push_back(entry);
  }
  return list;
}

std::vector<std::string> recent_with(std::vector<std::string> list, const std::string& entry) {
  if (!recent_entry_fits(entry)) return list;
  std::vector<std::string> out{entry};
  for (const std::string& e : list)
    if (e != entry && (int)out.size() < RECENT_KEPT) out.push_back(e);
  return out;
}

std::string recent_path() {
  const char* state = getenv("XDG_STATE_HOME");
  if (state && *state == '/') return std::string(state) + "/korvalen/recent";
  const char* home = getenv("HOME");
  if (!home || !*home) return "";
  return std::string(home) + "/.local/state/korvalen/recent";
}

std::vector<std::string> recent_load() {
  std::string path = recent_path(), text;
  std::FILE* f = path.empty() ? nullptr : open_regular_file(path.c_str(), "rb");
  if (!f) return {};
  char block[4096];
  std::size_t got;
  while (text.size() < LARGEST_READ && (got = fread(block, 1, sizeof block, f)) > 0)
    text.append(block, got);
  fclose(f);
  return recent_read_text(text);
}

std::string recent_add(const std::string& entry) {
  std::string path = recent_path();
  if (path.empty()) return "no home folder (HOME and XDG_STATE_HOME are unset)";
  if (!recent_entry_fits(entry)) return "'" + entry.substr(0, 40) + "' is not an address";
  std::string text;
  for (const std::string& e : recent_with(recent_load(), entry)) text += e + "\n";
  return write_file_safely(path, text);
}
