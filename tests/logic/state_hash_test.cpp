// The state hash two machines compare sees every field the dump prints and the bow
// drops' generator, but not the menu flag's grid (which waves on its own on each machine)
// nor the window's and the loop's marks; a snapshot puts every hashed field back, and
// leaves those as they are.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "state/game_random.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "state/state_fields.h"

namespace {

bool window_mark(const field_t* f) {
  return f->ptr == &active || f->ptr == &done;
}

// Changes each field the dump prints in turn (found by the dump's own printout of names),
// but the window's marks, calls check, and puts the field back; returns how many fields
// there were.
template <class Check>
int change_each_dumped_field(Check check) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  Dump_Print(out, 0, nullptr, 0);
  std::fclose(out);
  std::istringstream lines(std::string(text, size));
  free(text);
  std::string line;
  std::getline(lines, line);  // "frame 0"
  int changed = 0;
  while (std::getline(lines, line)) {
    const field_t* f = Dump_Find(line.substr(0, line.find(' ')).c_str());
    if (!f) ADD_FAILURE() << "the dump prints an unknown field: " << line;
    if (!f || window_mark(f)) continue;
    unsigned char saved[4];
    std::memcpy(saved, f->ptr, f->type == FT_BOOL ? 1 : 4);
    if (f->type == FT_BOOL)
      Field_SetBool(f, !Field_Bool(f));
    else
      *(int*)f->ptr ^= 1 << 20;  // for a float, a bit of the mantissa
    check(line);
    std::memcpy(f->ptr, saved, f->type == FT_BOOL ? 1 : 4);
    changed++;
  }
  return changed;
}

}  // namespace

TEST(StateHash, EveryDumpedFieldAndTheGeneratorCountButNotTheFlagGrid) {
  Dump_Init();
  const std::uint64_t start = State_Hash();
  int changed = change_each_dumped_field(
      [&](const std::string& line) { EXPECT_NE(State_Hash(), start) << line; });
  EXPECT_GT(changed, 1600);  // every field but the grid
  ASSERT_EQ(State_Hash(), start);
  points[3][4][1] += 1.0f;
  EXPECT_EQ(State_Hash(), start) << "the flag grid is not compared";
  points[3][4][1] -= 1.0f;
  for (bool* mark : {&active, &done}) {
    *mark = !*mark;
    EXPECT_EQ(State_Hash(), start) << "a window mark is not compared";
    *mark = !*mark;
  }
  Sgame_random kept = game_random;
  game_rand();
  EXPECT_NE(State_Hash(), start) << "the generator is compared";
  game_random = kept;
}

// What rollback relies on: a snapshot taken before a change puts the state back whole.
TEST(Snapshot, PutsBackEveryDumpedField) {
  Dump_Init();
  const std::uint64_t start = State_Hash();
  GameSnapshot before;
  std::memset(&before, 0x5a, sizeof before);  // a field the snapshot forgets stays 0x5a
  snapshot_take(&before);
  change_each_dumped_field([&](const std::string& line) {
    GameSnapshot changed;
    snapshot_take(&changed);
    snapshot_put(before);
    EXPECT_EQ(State_Hash(), start) << line;
    snapshot_put(changed);
  });
  // the held keys, which the hash leaves out, go back too
  keys['A'] = !keys['A'];
  snapshot_put(before);
  EXPECT_EQ(std::memcmp(keys, before.keys, sizeof keys), 0);
  // the window's marks and the flag's grid stay as the window and the picture have them
  active = false;
  done = fullscreen = true;
  points[3][4][1] += 1.0f;
  const float moved = points[3][4][1];
  snapshot_put(before);
  EXPECT_FALSE(active);
  EXPECT_TRUE(done && fullscreen);
  EXPECT_EQ(points[3][4][1], moved);
  points[3][4][1] -= 1.0f;
  active = true;
  done = false;
}
