// The building table and its map file, "s_1.txt" (or the chosen sector's "s_N.txt"), read
// fresh at every match.
//
// The file is one value per line, five lines per building (mask, x, y, x2, y2);
// empty lines do not count, and a note may follow a number on its line. The
// file's own length says how many buildings it holds.
//
// A match start reads its map either from the file or from text the game was given (the
// host's map on the guest, a recorded map on replay). Either way what it read is kept as
// the map's value lines, one per line: the number the game took from the line, or "-"
// for a line without one. That text reads back to exactly the same buildings, and it is
// what a recording stores and what the host sends.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "state/data_files.h"
#include "state/files.h"
#include "state/game_random.h"
#include "state/lybrary3.h"
#include "state/match_start.h"
#include "world/arenas.h"
#include "world/world.h"

namespace {

constexpr int LINE_BUFFER = 255;  // 254 characters and the terminating zero
constexpr int VALUES_PER_BUILDING = 5;
constexpr int VALUE_LINES = BUILD_RECORDS * VALUES_PER_BUILDING;
// A map is read no further than this: far past any real map, and a file that never ends
// (or only ever holds empty lines) cannot keep a match from starting.
constexpr long MAP_READ_LIMIT = 16L << 20;

// Where the map's bytes come from: an open file, or bytes in memory.
struct MapSource {
  std::FILE* f;
  const char* data;
  std::size_t size, pos;
  long left;  // bytes still allowed
};

MapSource file_source(std::FILE* f) {
  return MapSource{f, nullptr, 0, 0, MAP_READ_LIMIT};
}

int next_byte(MapSource& s) {
  if (s.f) return std::getc(s.f);
  return s.pos < s.size ? static_cast<unsigned char>(s.data[s.pos++]) : EOF;
}

void unget_byte(MapSource& s, int c) {
  if (s.f)
    std::ungetc(c, s.f);
  else
    s.pos--;
}

// Reads the next piece of a line, as a text-mode line read would: at most 254
// characters, keeping the line feed when it fits; a carriage return right
// before a line feed is dropped. Returns false at the end of the file with
// nothing read, leaving the buffer as it was. Past the read limit the file has ended.
bool read_piece(MapSource& s, char* string) {
  int n = 0;
  while (n < LINE_BUFFER - 1 && s.left > 0) {
    s.left--;
    int c = next_byte(s);
    if (c == EOF) break;
    if (c == '\r') {
      int next = next_byte(s);
      if (next == '\n')
        c = '\n';
      else if (next != EOF)
        unget_byte(s, next);
    }
    string[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  if (n == 0) return false;
  string[n] = '\0';
  return true;
}

// Reads one whole decimal int at the start of a line (after white space, with
// an optional sign), as "%d" would. A line without a number, or with one
// outside the 32-bit range, leaves the field as it was.
bool scan_int(const char* s, int* field) {
  while (std::isspace(static_cast<unsigned char>(*s))) s++;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') s++;
  if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
  long long value = 0;
  while (std::isdigit(static_cast<unsigned char>(*s))) {
    value = value * 10 + (*s++ - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return false;
  *field = static_cast<int>(value);
  return true;
}

// The value lines a map holds (its non-empty lines, as a text-mode line read gives them), up
// to the most the building table can take: each as the number it gives, or "-".
std::string read_value_lines(MapSource& s) {
  char piece[LINE_BUFFER];
  std::string text;
  int count = 0;
  while (count < VALUE_LINES && read_piece(s, piece)) {
    if (piece[0] == '\n') continue;
    int value;
    text += scan_int(piece, &value) ? std::to_string(value) : "-";
    text += '\n';
    count++;
  }
  return text;
}

// Fills records from value lines: five a building, as many as they give (at most the
// table's); the records in use start inert. Returns how many are in use.
int buildings_from_lines(const std::string& text, Sbuild* records) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  const int count = std::min(lines / VALUES_PER_BUILDING, BUILD_RECORDS);
  for (int i = 0; i < count; i++) {
    records[i].x = records[i].y = records[i].z = -100;
    records[i].x2 = records[i].y2 = -100;
  }
  const char* line = text.c_str();
  for (int i = 0; i < count; i++) {
    int* fields[VALUES_PER_BUILDING] = {&records[i].mask, &records[i].x, &records[i].y,
                                        &records[i].x2, &records[i].y2};
    for (int* field : fields) {
      scan_int(line, field);
      line = std::strchr(line, '\n') + 1;
    }
  }
  return count;
}

// Fills the building table from value lines.
void fill_buildings(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  Build_Max = std::min(lines / VALUES_PER_BUILDING, BUILD_RECORDS);
  NULL_build();
  buildings_from_lines(text, build);
}

MapText last_map;  // what the last match start read
long maps_read;    // match starts so far
bool map_given;    // match starts read given_map instead of the file
MapText given_map;
int sector_next = 1;  // the sector the next match start plays
MapText own_map;      // the player's own arena, played while sector 0 is chosen
// "any arena": the sectors a match start draws from, when any_count is not 0
int any_sectors[SECTOR_MAX];
int any_count;

}  // namespace

// Makes every building in use inert: negative extents block and draw nothing.
void NULL_build() {
  for (int i = 0; i < Build_Max; i++) {
    build[i].x = -100;
    build[i].y = -100;
    build[i].z = -100;
    build[i].x2 = -100;
    build[i].y2 = -100;
  }
}

std::string map_value_lines(const char* data, std::size_t size) {
  MapSource s{nullptr, data, size, 0, MAP_READ_LIMIT};
  return read_value_lines(s);
}

// Reads a map file's value lines without touching the buildings; false when it is missing,
// not a regular file or unreadable.
bool map_read_file(const char* Filename, MapText* map) {
  map->present = false;
  map->text.clear();
  std::FILE* filein = open_regular_file(Filename, "r");
  if (!filein) return false;
  MapSource s = file_source(filein);
  std::string text = read_value_lines(s);
  bool readable = !std::ferror(filein);  // opened but unreadable (a folder, say): as if missing
  std::fclose(filein);
  if (!readable) return false;
  map->present = true;
  map->text = text;
  return true;
}

// Fills the building table from the map file; a missing file leaves an open field, and
// so does anything that is not a regular file (a folder, a pipe, a device).
void Load_sector_map(const char* Filename) {
  map_read_file(Filename, &last_map);
  if (last_map.present) fill_buildings(last_map.text);
}

// Every match start from now on reads this map instead of the file; present false plays
// as a missing file would. The text is read as a file's bytes would be.
void map_use_given(bool present, const char* text, std::size_t size, int sector,
                   const std::string& name) {
  map_given = true;
  given_map.present = present;
  given_map.text.assign(text, size);
  // a sector no match can be played as is the one the game has always played
  given_map.sector = sector >= SECTOR_MIN && sector <= SECTOR_MAX ? sector : 1;
  given_map.name = name.substr(0, MAP_NAME_MAX);
}

// Match starts read the map file again.
void map_use_file() {
  map_given = false;
}

const MapText* map_given_now() {
  return map_given ? &given_map : nullptr;
}

long map_reads() {
  return maps_read;
}

const MapText& map_last_read() {
  return last_map;
}

bool sector_choose(int sector) {
  if (sector < SECTOR_MIN || sector > SECTOR_MAX) return false;
  sector_next = sector;
  any_count = 0;
  return true;
}

bool sector_choose_any(const int* sectors, int count) {
  if (count < 1 || count > SECTOR_MAX) return false;
  for (int i = 0; i < count; i++)
    if (sectors[i] < 1 || sectors[i] > SECTOR_MAX) return false;
  std::copy(sectors, sectors + count, any_sectors);
  any_count = count;
  return true;
}

bool sector_any() {
  return any_count > 0;
}

// A generator of its own, never the bows': the arena drawn takes no number from their
// sequence, and the same seed draws the same arena everywhere (the engine is the standard's).
int sector_drawn(std::uint32_t seed, const int* sectors, int count) {
  std::minstd_rand draw(seed ^ 0x5a17u);
  draw.discard(3);  // the engine's first numbers follow small seeds too closely
  return sectors[draw() % static_cast<std::uint32_t>(count)];
}

int sector_any_pick(std::uint32_t seed) {
  if (any_count) sector_next = sector_drawn(seed, any_sectors, any_count);
  return sector_next;
}

int map_buildings(const std::string& text, Sbuild* out) {
  return buildings_from_lines(text, out);
}

int sector_chosen() {
  return sector_next;
}

void sector_choose_own(const std::string& name, const std::string& text) {
  MapSource s{nullptr, text.data(), text.size(), 0, MAP_READ_LIMIT};
  own_map = MapText(true, read_value_lines(s), 0, name.substr(0, MAP_NAME_MAX));
  sector_next = 0;
  any_count = 0;
}

const MapText& sector_own() {
  return own_map;
}

MapText sector_match_map(std::uint32_t seed) {
  const int sector = sector_any_pick(seed);
  MapText map;
  if (sector == 0) {
    map = own_map;
  } else {
    map_read_file(data_file_path(sector_file_name(sector).c_str()).c_str(), &map);
    map.sector = sector;
    map.name = arena_name(sector);
  }
  map.seed = seed;
  map.seeded = true;
  return map;
}

std::string sector_file_name(int sector) {
  return "s_" + std::to_string(sector) + ".txt";
}

// What the match start read becomes the match start's record, with the bows' seed.
static void note_match_start() {
  last_map.seeded = match_seed_reseeded();
  last_map.seed = match_seed();
  match_start_set_sector(last_map.sector, last_map.name);
  match_start_set_map(last_map.present, last_map.text);
}

// Prepares the buildings for a new match on the chosen sector (or the given map's). Sector
// 0 has no file of its own: without given text it plays as a missing map.
void sector_set() {
  // "any arena" draws after the match's seed was applied, so the match's own seed decides
  if (!map_given && any_count) sector_next = sector_drawn(match_seed(), any_sectors, any_count);
  player[1].mapa = map_given ? given_map.sector : sector_next;
  NULL_build();
  maps_read++;
  const int sector = player[1].mapa;
  last_map = MapText();
  last_map.sector = sector;
  if (!map_given && sector == 0 && own_map.present) {
    last_map = own_map;
    fill_buildings(last_map.text);
    note_match_start();  // the text goes into the match-start record: a replay needs no file
    return;
  }
  if (!map_given) {
    if (sector >= 1 && sector <= SECTOR_MAX)
      Load_sector_map(data_file_path(sector_file_name(sector).c_str()).c_str());
    last_map.sector = sector;
    last_map.name = arena_name(sector);
    note_match_start();
    return;
  }
  // a map given without a name (an older recording's) takes its shipped sector's
  last_map.name = given_map.name.empty() ? arena_name(sector) : given_map.name;
  if (given_map.present) {
    MapSource s{nullptr, given_map.text.data(), given_map.text.size(), 0, MAP_READ_LIMIT};
    last_map.present = true;
    last_map.text = read_value_lines(s);
    fill_buildings(last_map.text);
  }
  note_match_start();
}
