// The arena list's entries and the player's choice among them.
#include "flow/arena_list.h"

#include <cstdlib>

#include "flow/own_arenas.h"
#include "state/data_files.h"
#include "state/language.h"
#include "world/arenas.h"
#include "world/world.h"

namespace {

ArenaChoice chosen;

const ArenaEntry* entry_of(const std::vector<ArenaEntry>& entries, int sector) {
  for (const ArenaEntry& e : entries)
    if (e.sector == sector) return &e;
  return nullptr;
}

}  // namespace

ArenaEntry arena_entry_from_text(int sector, const std::string& name, const std::string& line,
                                 bool present, const std::string& text) {
  ArenaEntry e;
  e.sector = sector;
  e.name = name;
  e.line = line;
  e.text = text;
  if (!present) {
    e.why = tr("Subor chyba alebo sa neda citat");
    return e;
  }
  e.walls_count = map_buildings(text, e.walls);
  e.why = arena_verdict_text(arena_check(e.walls, e.walls_count));
  e.usable = e.why.empty();
  return e;
}

std::vector<ArenaEntry> shipped_arena_entries() {
  int count;
  const ArenaInfo* arenas = arenas_shipped(&count);
  std::vector<ArenaEntry> entries;
  for (int i = 0; i < count; i++) {
    MapText map;
    map_read_file(data_file_path(sector_file_name(arenas[i].sector).c_str()).c_str(), &map);
    entries.push_back(arena_entry_from_text(arenas[i].sector, arenas[i].name, arenas[i].line,
                                            map.present, map.text));
  }
  return entries;
}

std::vector<ArenaEntry> arena_entries() {
  return shipped_arena_entries();
}

bool arena_choice_parse(const std::string& text, ArenaChoice* choice) {
  if (text == "any") {
    *choice = ArenaChoice{true, 1, ""};
    return true;
  }
  if (text.compare(0, 4, "own:") == 0) {
    if (!own_arena_name_ok(text.substr(4))) return false;
    *choice = ArenaChoice{false, 0, text.substr(4)};
    return true;
  }
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const int sector = std::atoi(text.c_str());
  if (sector < 1 || sector > SECTOR_MAX) return false;
  *choice = ArenaChoice{false, sector, ""};
  return true;
}

std::string arena_choice_text(const ArenaChoice& choice) {
  if (!choice.own.empty()) return "own:" + choice.own;
  return choice.any ? "any" : std::to_string(choice.sector);
}

bool arena_choice_apply(const ArenaChoice& choice, const std::vector<ArenaEntry>& entries) {
  if (!choice.own.empty()) {
    for (const ArenaEntry& e : entries) {
      if (e.sector != 0 || e.name != choice.own) continue;
      if (!e.usable) return false;
      sector_choose_own(e.name, e.text);
      chosen = choice;
      return true;
    }
    return false;
  }
  if (!choice.any) {
    const ArenaEntry* e = entry_of(entries, choice.sector);
    if (e && !e->usable) return false;
    if (!sector_choose(choice.sector)) return false;
    chosen = choice;
    return true;
  }
  int pool[SECTOR_MAX], count = 0;
  for (const ArenaEntry& e : entries)
    if (e.usable && e.sector >= 1 && count < SECTOR_MAX) pool[count++] = e.sector;
  if (!count) {  // none can be played: any shipped one, as the game would play it anyway
    for (const ArenaEntry& e : entries)
      if (e.sector >= 1 && count < SECTOR_MAX) pool[count++] = e.sector;
  }
  if (!sector_choose_any(pool, count)) return false;
  chosen = choice;
  return true;
}

bool arena_choice_restore(const ArenaChoice& choice, std::string* why) {
  std::vector<ArenaEntry> entries = arena_entries();
  const ArenaEntry* entry = nullptr;
  if (!choice.own.empty()) {
    const std::string folder = own_arenas_folder();
    OwnArena own;
    if (folder.empty()) {
      own.why = tr("Subor chyba alebo sa neda citat");
    } else {
      own = own_arena_read(folder, choice.own);
    }
    if (!own.usable) {
      *why = own.why;
      if (own.line) *why += " (" + std::string(tr("riadok")) + " " + std::to_string(own.line) + ")";
      return false;
    }
    entries.push_back(arena_entry_from_text(0, own.name, "", true, own.text));
    entry = &entries.back();
  } else if (!choice.any) {
    entry = entry_of(entries, choice.sector);
  }
  if (arena_choice_apply(choice, entries)) return true;
  *why = entry && !entry->why.empty() ? entry->why
                                      : std::string(tr("Subor chyba alebo sa neda citat"));
  return false;
}

const ArenaChoice& arena_choice() {
  return chosen;
}

std::string arena_choice_name() {
  if (!chosen.own.empty()) return chosen.own;
  if (chosen.any) return tr("Nahodna arena");
  const char* name = arena_name(chosen.sector);
  if (*name) return tr(name);
  return tr("Arena") + std::string(" ") + std::to_string(chosen.sector);
}

std::string arena_played_name() {
  const MapText* given = map_given_now();
  if (!given) return arena_choice_name();
  // a shipped arena's name is a message id; a player's own is shown as he wrote it
  const std::string& name = given->name.empty() ? arena_name(given->sector) : given->name;
  if (!name.empty()) return name == arena_name(given->sector) ? tr(name.c_str()) : name;
  return tr("Arena") + std::string(" ") + std::to_string(given->sector);
}
