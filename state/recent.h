// The addresses and room codes a player joined last, newest first, kept in
// $XDG_STATE_HOME/korvalen/recent (~/.local/state/korvalen/recent) one a line, so the join
// screen can offer them again. Only printable ASCII without blanks is kept, each entry and the
// list bounded, whatever the file holds.
#pragma once

#include <string>
#include <vector>

constexpr int RECENT_KEPT = 10;
constexpr std::size_t RECENT_LONGEST = 300;  // a host name's 253 with a port, or a room code

// Whether entry can be kept: 1 to RECENT_LONGEST printable ASCII characters, no blank.
bool recent_entry_fits(const std::string& entry);
// The entries of a file's text: lines that fit, blanks at their ends trimmed, the first of
// two the same kept, at most RECENT_KEPT.
std::vector<std::string> recent_read_text(const std::string& text);
// The list with entry first (and nowhere else), at most RECENT_KEPT; as it was for an entry
// that does not fit.
std::vector<std::string> recent_with(std::vector<std::string> list, const std::string& entry);
// The file's path; empty without XDG_STATE_HOME and HOME.
std::string recent_path();
// The list in the file (none for a missing, unreadable or odd file: never waits on it).
std::vector<std::string> recent_load();
// Puts entry first in the file, written safely. Empty when it did, else why not.
std::string recent_add(const std::string& entry);
