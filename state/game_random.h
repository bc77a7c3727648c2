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
// Starts the generator from a seed, as srand(seed) starts rand(): seed 1 (and 0) is where a
// fresh process starts.
void game_random_seed(std::uint32_t seed);

// The match-start input that makes matches differ. The game gives a seed (from the clock,
// a recording's, the host's) before the step that starts a match; that match start reseeds
// the bows' generator with it and uses it up. With none given the generator runs on as it
// is, and the match's seed stays what it was (1 from the start): so a script that gives
// none drops the bows it always did.
void match_seed_give(std::uint32_t seed);
// Whether a seed is waiting for the next match start, and which.
bool match_seed_pending(std::uint32_t* seed);
// At a match start: reseeds the bows' generator when a seed was given.
void match_seed_apply();
// Whether the last match start reseeded the generator (a seed was given for it).
bool match_seed_reseeded();
// Forgets a seed given for a match start that never came (a recording cut short).
void match_seed_withdraw();
// The seed of the match in play: the computer's own generator starts from it.
std::uint32_t match_seed();
// Forgets a given seed and the match's, as at start-up.
void match_seed_reset();
