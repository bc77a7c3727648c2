// A player's own arenas: made in the editor, kept as sector files in
// $XDG_DATA_HOME/korvalen/arenas/NAME.txt (~/.local/share/... without it), and played as
// sector 0 with their value lines given as the match's map text.
//
// The folder is the player's, and anything may lie in it: its names are read a few at a
// time and its files one at a time, each read no further than an arena can reach, so a
// folder of thousands of files, a pipe, a link or a file of gigabytes never holds up a
// picture. What cannot be played is listed with why, and the line it is about.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "flow/arena_check.h"
#include "state/lybrary3.h"

constexpr int OWN_ARENAS_LISTED = 200;            // files listed at most
constexpr int OWN_ARENA_VALUE_LINES = 250;        // a file is read this far (50 records of five)
constexpr long OWN_ARENA_BYTES = 64 * 1024;       // a bigger file is no arena the game wrote
constexpr int OWN_WALLS_MAX = BUILD_RECORDS - 1;  // record 0 stays inert
constexpr std::size_t OWN_NAME_MAX = 40;          // a map carries no longer name

// The field a wall may stand on, in whole cells: a player's square reaches from -0.5 to 21
// across and from 0 to 12 up, so every cell of [0, 21) x [0, 12) is one he can stand by.
constexpr int EDIT_FIELD_W = 21;
constexpr int EDIT_FIELD_H = 12;

struct Wall {
  int x, y, w, h;
};

// Whether a wall lies whole on the field, at least one cell each way.
bool wall_on_field(const Wall& w);
// Whether a name is one an arena can be saved under: 1 to 40 ASCII letters, digits, - and _.
bool own_arena_name_ok(const std::string& name);
// The folder; empty without XDG_DATA_HOME and HOME.
std::string own_arenas_folder();
// The building table the walls make, record 0 inert before them.
std::vector<Sbuild> walls_buildings(const std::vector<Wall>& walls);
// The walls as a sector file, record 0 inert first as in "s_1.txt", a note after each number.
std::string walls_file_text(const std::vector<Wall>& walls);
// The walls as the match start's value lines (what a recording and the host carry).
std::string walls_value_lines(const std::vector<Wall>& walls);

// Saves the walls under folder/NAME.txt, written whole or not at all. An arena of that name
// already there is kept unless overwrite is true: *exists tells it. Empty when saved, else
// why not, in a few words.
std::string own_arena_save(const std::string& folder, const std::string& name,
                           const std::vector<Wall>& walls, bool overwrite, bool* exists);

// How many arenas were saved so far in this run (the browser copies its folder after each).
int own_arena_saves();

struct OwnArena {
  std::string name;  // the file's name without ".txt"
  bool usable = false;
  std::string why;          // what keeps it from being played, in the texts' language
  int line = 0;             // the file's line that is about, 0 for none
  std::string text;         // its value lines, as the match start reads them
  std::vector<Wall> walls;  // its walls from record 1 on, those of positive size
};
// Reads one file of the folder, whatever it is: never a link, never waits on a pipe, never
// reads past OWN_ARENA_BYTES.
OwnArena own_arena_read(const std::string& folder, const std::string& name);
// Judges the bytes of an arena file (the reader's part after the file is open).
OwnArena own_arena_from_bytes(const std::string& name, const char* data, std::size_t size);

// The folder's arenas as a list filled a little at a time.
struct OwnArenaListing {
  std::string folder;
  void* dir = nullptr;  // the folder while its names are being read
  int entries_seen = 0;
  std::vector<std::string> names;  // the arena names found, sorted once all are in
  std::size_t next = 0;            // the next name whose file is read
  std::vector<OwnArena> arenas;    // read so far, in the names' order
  bool done = false;
  long long longest_ns = 0;  // the longest piece of reading so far
};
void own_arenas_begin(OwnArenaListing* l, const std::string& folder);
// Goes on reading, a piece at a time (a batch of names or one file, read and checked), until
// the list is whole or the next piece would likely end past deadline_ns (the monotonic
// clock's); one piece at least. True when the list is whole.
bool own_arenas_more(OwnArenaListing* l, long long deadline_ns);
void own_arenas_end(OwnArenaListing* l);
// The folder's arena names alone, sorted, the first OWN_ARENAS_LISTED.
std::vector<std::string> own_arena_names(const std::string& folder);
