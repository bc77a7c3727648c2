// The arenas a player can choose among, for the arena list: each with its walls (for the
// small picture), its name and line, and whether a match can be played on it and if not, why.
// The list is built from producers of entries: the shipped arenas first, then any further
// source (a player's own arenas) appended by its own producer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flow/arena_check.h"
#include "state/lybrary3.h"

struct ArenaEntry {
  int sector = 1;       // s_N.txt; 0 for an arena given as text (a player's own)
  std::string name;     // untranslated for a shipped arena (a message id), as given otherwise
  std::string line;     // the one line that says what it is like; likewise
  bool shipped = true;  // name and line are message ids
  std::string text;     // its value lines, as a match start reads them
  Sbuild walls[BUILD_RECORDS] = {};
  int walls_count = 0;  // records in use, record 0 (never drawn) included
  bool usable = false;  // a match can be played on it
  std::string why;      // why not, in the texts' language; "" when usable
};

// The shipped arenas, in sector order, each read from its file as a match start reads it and
// checked by the game's walking rule (a missing or unreadable file is not usable).
std::vector<ArenaEntry> shipped_arena_entries();
// The entry for value lines: walls, check and verdict filled in; present false for a file that
// is missing or cannot be read.
ArenaEntry arena_entry_from_text(int sector, const std::string& name, const std::string& line,
                                 bool present, const std::string& text);
// Every arena the list shows, shipped ones first.
std::vector<ArenaEntry> arena_entries();

// What the player chose: one arena, "any arena" (a usable shipped one drawn from each
// match's seed), or one of his own by its name (played as sector 0).
struct ArenaChoice {
  bool any = false;
  int sector = 1;
  std::string own;  // the player's own arena's name; "" for a shipped one or "any"
};
// The saved form: "any", the sector's number or "own:NAME" (a name an arena can be saved
// under); false for anything else.
bool arena_choice_parse(const std::string& text, ArenaChoice* choice);
std::string arena_choice_text(const ArenaChoice& choice);
// Makes every match start from now on play the choice: "any" draws among the usable entries
// of sector 1 to 99 (all shipped ones when none is usable); an own arena plays the text of
// the entry of sector 0 under its name. False when the chosen entry is listed and not
// usable, or an own arena is not among the entries, which changes nothing.
bool arena_choice_apply(const ArenaChoice& choice, const std::vector<ArenaEntry>& entries);
// Makes a saved choice the one played, at start-up: an own arena is read from the player's
// folder as the list reads it. False, and *why says why in the texts' language (with the
// file's line where it is about one), when it cannot be played: arena 1 is played then.
bool arena_choice_restore(const ArenaChoice& choice, std::string* why);
// The choice the match starts play now, and its name as a player reads it (translated).
const ArenaChoice& arena_choice();
std::string arena_choice_name();
// The name of the arena the next match plays: the given map's while one is given (online
// the host's, whatever this machine chose), else the choice's.
std::string arena_played_name();
