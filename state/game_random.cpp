// The bow drops' generator: the C library's never-seeded rand(), kept in the game state.
#include "state/game_random.h"

Sgame_random game_random;

// The table the C library fills from seed 1, then the 310 numbers it throws away.
void game_random_reset() {
  std::int32_t word = 1;
  game_random.table[0] = 1;
  for (int i = 1; i < GAME_RANDOM_WORDS; i++) {
    // 16807 * word mod (2^31 - 1), without overflowing 32 bits
    std::int32_t hi = word / 127773, lo = word % 127773;
    word = 16807 * lo - 2836 * hi;
    if (word < 0) word += 2147483647;
    game_random.table[i] = static_cast<std::uint32_t>(word);
  }
  game_random.front = 3;
  game_random.rear = 0;
  for (int i = 0; i < 310; i++) game_rand();
}

int game_rand() {
  std::uint32_t& sum = game_random.table[game_random.front];
  sum += game_random.table[game_random.rear];
  int result = static_cast<int>(sum >> 1);
  game_random.front = (game_random.front + 1) % GAME_RANDOM_WORDS;
  game_random.rear = (game_random.rear + 1) % GAME_RANDOM_WORDS;
  return result;
}

// Ready before main, as the C library's is.
static const bool ready = (game_random_reset(), true);
