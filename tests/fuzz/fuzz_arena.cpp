// Fuzz target: a player's own arena file, any bytes: either usable, with walls whose value
// lines are the text a match plays, or refused with a reason and a line inside the file;
// the game state the check borrows is put back.
#include <cstdint>
#include <cstring>
#include <string>

#include "flow/own_arenas.h"
#include "fuzz_fail.h"
#include "state/lybrary3.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  player[1].x = 7.25f;
  Build_Max = 3;
  const OwnArena a = own_arena_from_bytes("fuzz", bytes, size);
  if (player[1].x != 7.25f || Build_Max != 3) fuzz_fail("the check left the game changed");
  long lines = 1;
  for (std::size_t i = 0; i < size; i++) lines += data[i] == '\n';
  if (a.line < 0 || a.line > lines) fuzz_fail("a line outside the file");
  if (a.usable != a.why.empty()) fuzz_fail("usable and a reason, or neither");
  if (!a.usable) return 0;
  if (a.walls.size() > static_cast<std::size_t>(OWN_WALLS_MAX)) fuzz_fail("too many walls");
  std::size_t values = 0;
  for (char c : a.text) values += c == '\n';
  if (values > static_cast<std::size_t>(OWN_ARENA_VALUE_LINES)) fuzz_fail("past 250 lines");
  return 0;
}
