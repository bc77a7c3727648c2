// The sound effects, checked without listening: length, level, clipping, the bows' pitch.
#include "tools/make_sounds/sounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

double seconds(const std::vector<std::int16_t>& s) {
  return (double)s.size() / SOUND_RATE;
}

int peak(const std::vector<std::int16_t>& s) {
  int most = 0;
  for (std::int16_t v : s) most = std::max(most, std::abs((int)v));
  return most;
}

// The pitch in Hz: the shortest lag, 40 Hz to 1 kHz, at which the sound matches itself
// nearly as well as at its best lag (a period's multiples match as well as the period),
// taken over its first tenth of a second after the first 5 ms.
double pitch(const std::vector<std::int16_t>& s) {
  size_t from = SOUND_RATE / 200, to = from + SOUND_RATE / 10;
  std::vector<double> match(SOUND_RATE / 40 + 1, 0.0);
  double best = 0;
  for (int lag = SOUND_RATE / 1000; lag <= SOUND_RATE / 40; lag++) {
    double sum = 0, energy0 = 0, energy1 = 0;
    for (size_t n = from; n < to && n + lag < s.size(); n++) {
      sum += (double)s[n] * s[n + lag];
      energy0 += (double)s[n] * s[n];
      energy1 += (double)s[n + lag] * s[n + lag];
    }
    match[lag] = energy0 > 0 && energy1 > 0 ? sum / std::sqrt(energy0 * energy1) : 0;
    best = std::max(best, match[lag]);
  }
  for (int lag = SOUND_RATE / 1000;; lag++)
    if (match[lag] >= 0.9 * best) return (double)SOUND_RATE / lag;
}

}  // namespace

// Every effect is short, clearly there, never clipped, and quiet at its start and end.
TEST(Sounds, ShortAudibleAndUnclipped) {
  double shares = 0;
  for (int e = 0; e < SOUND_EFFECTS; e++) {
    SCOPED_TRACE(sound_file_names[e]);
    std::vector<std::int16_t> s = make_sound((SoundEffect)e);
    double longest = e == SOUND_MATCH_START || e == SOUND_MATCH_END ? 1.0 : 0.35;
    EXPECT_GE(seconds(s), 0.03);
    EXPECT_LE(seconds(s), longest);
    // the loudest sample is the effect's share of full scale, never the end of the range
    EXPECT_NEAR(peak(s), sound_peak_share((SoundEffect)e) * 32767, 1);
    EXPECT_LT(peak(s), 32767 / 4);
    EXPECT_EQ(s.back(), 0);
    shares += sound_peak_share((SoundEffect)e);
    // a sound a player hears hundreds of times a match starts at once
    int onset = 0;
    while (onset < (int)s.size() && std::abs(s[onset]) < 16) onset++;
    EXPECT_LT(onset, SOUND_RATE / 500) << "starts within 2 ms";
  }
  // every effect at once stays inside the 16-bit range
  EXPECT_LT(shares, 1.0);
}

// Each bow sounds like itself: the short bow highest, then the recurve, the long bow, and the
// war bow lowest, each well apart from the next.
TEST(Sounds, BowsDifferInPitch) {
  double short_bow = pitch(make_sound(SOUND_SHOT_SHORT));
  double recurve = pitch(make_sound(SOUND_SHOT_RECURVE));
  double long_bow = pitch(make_sound(SOUND_SHOT_LONG));
  double war_bow = pitch(make_sound(SOUND_SHOT_WAR));
  EXPECT_NEAR(short_bow, 392, 15);
  EXPECT_GT(short_bow, recurve * 1.2);
  EXPECT_GT(recurve, long_bow * 1.2);
  EXPECT_GT(long_bow, war_bow * 1.2);
}

// The recurve snaps twice: a second onset about 55 ms after the first.
TEST(Sounds, RecurveSnapsTwice) {
  std::vector<std::int16_t> s = make_sound(SOUND_SHOT_RECURVE);
  auto level = [&s](double from, double to) {
    double sum = 0;
    size_t a = (size_t)(from * SOUND_RATE), b = (size_t)(to * SOUND_RATE);
    for (size_t n = a; n < b; n++) sum += (double)s[n] * s[n];
    return std::sqrt(sum / (b - a));
  };
  EXPECT_GT(level(0.055, 0.060), 1.5 * level(0.045, 0.053));
}
