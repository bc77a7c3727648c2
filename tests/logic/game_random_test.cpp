// The bow drops' generator gives the never-seeded rand() sequence, whatever else calls rand().
#include "state/game_random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

TEST(GameRandom, IsTheNeverSeededCLibrarySequenceWhateverElseCallsRand) {
  std::srand(1);  // what a never-seeded rand() starts from
  std::vector<int> want(200000);
  for (int& w : want) w = std::rand();
  game_random_reset();
  std::srand(12345);  // a library reseeding and drawing meanwhile
  for (size_t i = 0; i < want.size(); i++) {
    ASSERT_EQ(game_rand(), want[i]) << "draw " << i;
    std::rand();
  }
}
