// The arenas the game ships: one sector each, its file "s_N.txt", a name and a line that
// says what it is like. The texts are Slovak message ids; tr() gives them in the
// player's language where they are shown.
#pragma once

struct ArenaInfo {
  int sector;
  const char* name;
  const char* line;
};

// The shipped arenas, in sector order.
const ArenaInfo* arenas_shipped(int* count);
// A shipped sector's arena, or null.
const ArenaInfo* arena_info(int sector);
// A shipped sector's name, untranslated; "" for a sector the game does not ship.
const char* arena_name(int sector);
