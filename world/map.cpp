// The building table and its map file, "s_1.txt", read fresh at every match.
//
// The file is one value per line, five lines per building (mask, x, y, x2, y2);
// empty lines do not count, and a note may follow a number on its line. The
// file's own length says how many buildings it holds.
#include <cctype>
#include <climits>
#include <cstdio>

#include "state/data_files.h"
#include "state/files.h"
#include "state/lybrary3.h"
#include "world/world.h"

namespace {

constexpr int LINE_BUFFER = 255;  // 254 characters and the terminating zero
constexpr int VALUES_PER_BUILDING = 5;
// A map is read no further than this: far past any real map, and a file that never ends
// (or only ever holds empty lines) cannot keep a match from starting.
constexpr long MAP_READ_LIMIT = 16L << 20;

long map_bytes_left = MAP_READ_LIMIT;  // of the reading under way

// Reads the next piece of a line, as a text-mode line read would: at most 254
// characters, keeping the line feed when it fits; a carriage return right
// before a line feed is dropped. Returns false at the end of the file with
// nothing read, leaving the buffer as it was. Past the read limit the file has ended.
bool read_piece(std::FILE* f, char* string) {
  int n = 0;
  while (n < LINE_BUFFER - 1 && map_bytes_left > 0) {
    map_bytes_left--;
    int c = std::getc(f);
    if (c == EOF) break;
    if (c == '\r') {
      int next = std::getc(f);
      if (next == '\n')
        c = '\n';
      else if (next != EOF)
        std::ungetc(next, f);
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
void scan_int(const char* s, int* field) {
  while (std::isspace(static_cast<unsigned char>(*s))) s++;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') s++;
  if (!std::isdigit(static_cast<unsigned char>(*s))) return;
  long long value = 0;
  while (std::isdigit(static_cast<unsigned char>(*s))) {
    value = value * 10 + (*s++ - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return;
  *field = static_cast<int>(value);
}

// Counts the value lines the file holds, exactly as readstr would deliver them, up to
// the most the building table can take.
int count_value_lines(std::FILE* f) {
  char piece[LINE_BUFFER];
  int count = 0;
  while (count < BUILD_RECORDS * VALUES_PER_BUILDING && read_piece(f, piece)) {
    if (piece[0] != '\n') count++;
  }
  return count;
}

}  // namespace

// Reads the next non-empty line; at the end of the file the buffer stays as it was.
void readstr(std::FILE* f, char* string) {
  do {
    if (!read_piece(f, string)) return;
  } while (string[0] == '\n');
}

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

// Fills the building table from the map file; a missing file leaves an open field, and
// so does anything that is not a regular file (a folder, a pipe, a device).
void Load_sector_map(const char* Filename) {
  std::FILE* filein = open_regular_file(Filename, "r");
  if (!filein) return;

  map_bytes_left = MAP_READ_LIMIT;
  int buildings = count_value_lines(filein) / VALUES_PER_BUILDING;
  if (std::ferror(filein)) {  // opened but unreadable (a folder, say): as if missing
    std::fclose(filein);
    return;
  }
  Build_Max = buildings < BUILD_RECORDS ? buildings : BUILD_RECORDS;
  NULL_build();
  std::rewind(filein);
  map_bytes_left = MAP_READ_LIMIT;

  char oneline[LINE_BUFFER] = "";
  for (int i = 0; i < Build_Max; i++) {
    int* fields[VALUES_PER_BUILDING] = {&build[i].mask, &build[i].x, &build[i].y, &build[i].x2,
                                        &build[i].y2};
    for (int* field : fields) {
      readstr(filein, oneline);
      scan_int(oneline, field);
    }
  }
  std::fclose(filein);
  map_bytes_left = MAP_READ_LIMIT;
}

// Prepares the buildings for a new match on sector 1.
void sector_set() {
  player[1].mapa = 1;
  NULL_build();
  if (player[1].mapa == 1) Load_sector_map(data_file_path("s_1.txt").c_str());
}
