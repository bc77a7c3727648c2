// The state hash two machines compare sees every field the dump prints and the bow
// drops' generator, and not the menu flag's grid (which waves on its own on each machine).
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "state/game_random.h"
#include "state/lybrary3.h"
#include "state/state_fields.h"

TEST(StateHash, EveryDumpedFieldAndTheGeneratorCountButNotTheFlagGrid) {
  Dump_Init();
  const std::uint64_t start = State_Hash();
  int checked = 0;
  // Walk the table by name through the dump's own printout of names.
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  Dump_Print(out, 0, nullptr, 0);
  std::fclose(out);
  std::istringstream lines(std::string(text, size));
  free(text);
  std::string line;
  std::getline(lines, line);  // "frame 0"
  while (std::getline(lines, line)) {
    const field_t* f = Dump_Find(line.substr(0, line.find(' ')).c_str());
    ASSERT_NE(f, nullptr) << line;
    unsigned char saved[4];
    std::memcpy(saved, f->ptr, f->type == FT_BOOL ? 1 : 4);
    if (f->type == FT_BOOL)
      *(bool*)f->ptr = !*(bool*)f->ptr;
    else
      *(int*)f->ptr ^= 1 << 20;  // for a float, a bit of the mantissa
    EXPECT_NE(State_Hash(), start) << line;
    std::memcpy(f->ptr, saved, f->type == FT_BOOL ? 1 : 4);
    checked++;
  }
  EXPECT_GT(checked, 1600);  // every field but the grid
  ASSERT_EQ(State_Hash(), start);
  points[3][4][1] += 1.0f;
  EXPECT_EQ(State_Hash(), start) << "the flag grid is not compared";
  Sgame_random kept = game_random;
  game_rand();
  EXPECT_NE(State_Hash(), start) << "the generator is compared";
  game_random = kept;
}
