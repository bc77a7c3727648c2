// The match's figures, counted step by step.
#include "flow/match_stats.h"

#include <cmath>

MatchStats match_stats;

namespace {

bool took_off(const SoundWatch::Archer& before, const SoundWatch::Archer& after) {
  for (int r = 0; r < SHOT_RECORDS; r++) {
    bool was = before.fly[r][0] || before.fly[r][1] || before.fly[r][2];
    bool is = after.fly[r][0] || after.fly[r][1] || after.fly[r][2];
    if (!was && is) return true;
  }
  // every record busy: the arrow is spent all the same
  return before.bow != 0 && before.bow == after.bow && after.hand_arrows < before.hand_arrows;
}

}  // namespace

void match_stats_reset() {
  match_stats = MatchStats{};
}

void match_stats_count(const SoundWatch& before, const SoundWatch& after) {
  for (int p = 1; p < PLAYER_RECORDS; p++) {
    const SoundWatch::Archer &was = before.archer[p], &is = after.archer[p];
    int hits = is.kill - was.kill;
    if (hits < 0) hits = 0;
    if (took_off(was, is)) {
      match_stats.shots[p]++;
    } else if (!was.attack_latch && is.attack_latch && hits > 0) {
      // the attack key acted and no arrow flew: the sword, which strikes once
      match_stats.sword_hits[p]++;
      hits--;
    }
    match_stats.arrow_hits[p] += hits;
  }
}

int match_accuracy(int numb) {
  if (numb < 1 || numb >= PLAYER_RECORDS || match_stats.shots[numb] <= 0) return 0;
  return static_cast<int>(100.0 * match_stats.arrow_hits[numb] / match_stats.shots[numb] + 0.5);
}

namespace {
// A replay may set the clock to anything; a real match ends a little past 5000.
bool plausible(float units) {
  return std::isfinite(units) && units > 0 && units < 1e9f;
}
}  // namespace

int match_units() {
  return plausible(match_stats.length) ? static_cast<int>(match_stats.length) : 0;
}

int match_seconds() {
  return plausible(match_stats.length) ? static_cast<int>(match_stats.length / 30 + 0.5f) : 0;
}
