// The bow drops' generator: the C library's never-seeded rand(), kept in the game state.
#include "state/game_random.h"

#include "state/match_start.h"

Sgame_random game_random;

namespace {
bool seed_given;
std::uint32_t seed_next;
std::uint32_t seed_of_match = 1;
bool match_reseeded;  // the last match start reseeded the generator
}  // namespace

void game_random_reset() {
  game_random_seed(1);
}

// The table the C library fills from the seed (0 counts as 1), then the 310 numbers it
// throws away.
void game_random_seed(std::uint32_t seed) {
  // the library keeps the seed as a signed word: seeds past 2^31 - 1 start negative
  std::int32_t word = static_cast<std::int32_t>(seed == 0 ? 1 : seed);
  game_random.table[0] = static_cast<std::uint32_t>(word);
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

void match_seed_give(std::uint32_t seed) {
  seed_given = true;
  seed_next = seed;
}

bool match_seed_pending(std::uint32_t* seed) {
  if (seed_given && seed) *seed = seed_next;
  return seed_given;
}

void match_seed_apply() {
  match_reseeded = seed_given;
  if (!seed_given) {
    match_start_set_unseeded();
    return;
  }
  seed_given = false;
  seed_of_match = seed_next;
  game_random_seed(seed_next);
  match_start_set_seed(seed_next);
}

bool match_seed_reseeded() {
  return match_reseeded;
}

void match_seed_withdraw() {
  seed_given = false;
}

std::uint32_t match_seed() {
  return seed_of_match;
}

void match_seed_reset() {
  seed_given = false;
  match_reseeded = false;
  seed_of_match = 1;
}

// Ready before main, as the C library's is.
static const bool ready = (game_random_reset(), true);
