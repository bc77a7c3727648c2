// The generator the bow drops draw from. It gives exactly the numbers of the C library's
// rand() when nobody ever seeded it (glibc: the additive feedback generator of random()
// with seed 1), so every run drops the same bows as it always has; but it is the game's
// own, so a library that calls rand() or srand() in the process cannot move it, and its
// state is part of the game state two machines compare.
#pragma once

#include <cstdint>

constexpr int GAME_RANDOM_WORDS = 31;

struct Sgame_random {
  std::uint32_t table[GAME_RANDOM_WORDS];
  int front, rear;  // where the next sum is stored and where it takes its second term
};

extern Sgame_random game_random;

// The next number, 0 to 2^31 - 1, as rand() would have given it.
int game_rand();
// Puts the generator back where a fresh process starts it.
void game_random_reset();
