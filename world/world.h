// The building table, the map file and walking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

// Sectors a match can be played on: 1 to 99, each read from its own file "s_N.txt"; sector
// 0 is a player's own arena, whose value lines are always given as the match's map text.
constexpr int SECTOR_MIN = 0;
constexpr int SECTOR_MAX = 99;

// The sector every match start from now on plays (it lands in player[1].mapa); false, and
// nothing changes, for a number outside 0 to 99.
bool sector_choose(int sector);
int sector_chosen();
// "Any arena": from now on every match start plays one of these sectors (1 to 99), drawn from
// the match's seed by a generator of its own, so a recording or the other machine that has the
// seed and the sector plays the same. False, and nothing changes, for an empty list or a
// sector outside 1 to 99. sector_choose ends it.
bool sector_choose_any(const int* sectors, int count);
bool sector_any();
// With "any arena", draws the sector from seed now, for what plays before a match start
// draws (an online game's arena, which the host gives as its map); the sector chosen.
int sector_any_pick(std::uint32_t seed);
// The sector "any arena" draws from a match's seed among count sectors.
int sector_drawn(std::uint32_t seed, const int* sectors, int count);
// The file sector N is read from: "s_N.txt", found as the game finds its files.
std::string sector_file_name(int sector);

void sector_set();
void NULL_build();
void Load_sector_map(const char* Filename);

// A map as a match start read it: whether there was one, and its value lines, one a line
// (the number the game took, or "-" for a line without one). At most 250 lines. With it
// the sector it was played as and the arena's name, so a guest or a replay plays the same
// sector under the same name.
struct MapText {
  bool present = false;
  std::string text;
  int sector = 1;
  std::string name;  // the arena's name as its table or its player gives it, untranslated
  // The bows' seed of the match start: what it reseeded them with (seeded), or, for a map
  // the host gives, what the next match start is to reseed them with.
  std::uint32_t seed = 1;
  bool seeded = false;

  MapText() = default;
  MapText(bool present_, std::string text_, int sector_ = 1, std::string name_ = std::string())
      : present(present_), text(std::move(text_)), sector(sector_), name(std::move(name_)) {}
};
// The longest arena name a map carries.
constexpr std::size_t MAP_NAME_MAX = 40;
// The longest value-line text a map can give: 250 lines of an int each.
constexpr std::size_t MAP_TEXT_MAX = 250 * 12;
// Chooses the player's own arena (its bytes or value lines) as sector 0 for every match start
// from now on, under its name.
void sector_choose_own(const std::string& name, const std::string& text);
// The own arena chosen last (present false before any).
const MapText& sector_own();
// What a host gives the other machine for its next match, whose bows' seed is seed: "any
// arena" draws the sector from that seed (as a local match start would), then the sector's
// file, or the player's own arena, with its sector, name and the seed.
MapText sector_match_map(std::uint32_t seed);
// The value lines a match start reads from a map's bytes, as MapText holds them.
std::string map_value_lines(const char* data, std::size_t size);
// Reads a map file as a match start would, without touching the buildings.
bool map_read_file(const char* Filename, MapText* map);
// The buildings a map's value lines give, as a match start would fill the table, into out
// (BUILD_RECORDS records) instead of the table; returns how many records are in use.
int map_buildings(const std::string& text, struct Sbuild* out);
// From now on every match start reads this map instead of the sector's file (the host's
// map on the guest, a recorded map on replay), and plays it as the given sector under the
// given name; present false plays as a missing file.
void map_use_given(bool present, const char* text, std::size_t size, int sector = 1,
                   const std::string& name = std::string());
// Match starts read the chosen sector's file again, as the game always has.
void map_use_file();
// The map every match start reads now instead of a file, or null when they read files.
const MapText* map_given_now();
// How many match starts have read a map, and what the last one read (with the seed it
// reseeded the bows with, if any).
long map_reads();
const MapText& map_last_read();

// The field's limits for a player's lower-left corner: a step past one is refused, a step
// that lands on one is taken.
constexpr double FIELD_LEFT = -0.5;
constexpr double FIELD_RIGHT = 20.0;
constexpr double FIELD_BOTTOM = 0.0;
constexpr double FIELD_TOP = 11.0;
// Whether a player's corner at (x, y) lies within the field's limits.
bool on_field(double x, double y);

// What would refuse one step of player numb toward a facing (hore, dole, doprava, dolava):
// a living character or another player in play (body), a building or the field's edge
// (wall). Nothing changes; the walking below asks the same.
struct StepBlock {
  bool body;
  bool wall;
};
StepBlock step_block(int numb, int alpha);

void player_hore(int numb);
void player_dole(int numb);
void player_doprava(int numb);
void player_dolava(int numb);
