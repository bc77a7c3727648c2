// Fuzz target: the map loader on arbitrary "s_1.txt" bytes: one building per five value lines
// (as a reader of 254-character lines gets them) up to the table's size, none written past it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_fail.h"
#include "state/lybrary3.h"
#include "world/world.h"

// What every record holds before the load, so a write past the count shows.
static const Sbuild UNTOUCHED = {0x5A5A5A5A, 0x5A5A5A5A, 0x5A5A5A5A,
                                 0x5A5A5A5A, 0x5A5A5A5A, 0x5A5A5A5A};

// The map file for this process: its own name, so parallel runs never share one.
static const std::string map_path =
    "/tmp/korvalen-fuzz-map-" + std::to_string(getpid()) + "-s_1.txt";

// Value lines as the game reads them: CR-LF is one line end, every line of L other bytes
// gives ceil(L / 254) pieces, and empty lines give none.
static long long value_lines(const std::uint8_t* data, std::size_t size) {
  long long count = 0, len = 0;
  for (std::size_t i = 0; i <= size; i++) {
    const bool end = i == size || data[i] == '\n';
    if (!end) {
      if (!(data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')) len++;
      continue;
    }
    count += (len + 253) / 254;
    len = 0;
  }
  return count;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(map_path.c_str(), "wb");
  if (!f) fuzz_fail("cannot write the map file");
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  for (Sbuild& b : build) b = UNTOUCHED;
  // An earlier match's count, as the game would carry it into the load.
  Build_Max = size ? data[0] % 51 : 0;
  Load_sector_map(map_path.c_str());

  const long long lines = value_lines(data, size);
  const long long want = lines / 5 < BUILD_RECORDS ? lines / 5 : BUILD_RECORDS;
  if (Build_Max != want) fuzz_fail("building count is not one per five value lines");
  for (int i = 0; i < BUILD_RECORDS; i++) {
    if (i < Build_Max && build[i].z != -100) fuzz_fail("a record in use was not reset");
    if (i >= Build_Max && std::memcmp(&build[i], &UNTOUCHED, sizeof UNTOUCHED) != 0)
      fuzz_fail("a record past the count was written");
  }
  std::remove(map_path.c_str());
  return 0;
}
