// The effects: plucked strings for the bows, filtered noise for the sword and the arrows,
// short tones for the menus. Noise comes from a fixed generator, so every run is the same.
#include "sounds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;

using Wave = std::vector<double>;

// A fixed noise generator (xorshift), -1 to 1.
struct Noise {
  std::uint32_t state;
  double next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state / 2147483647.5 - 1.0;
  }
};

int samples_of(double seconds) {
  return (int)(seconds * SOUND_RATE);
}

// A plucked string (Karplus-Strong) at pitch hz: the bow's string after the shot.
// damping below 1 shortens the ring; softness smooths the pluck's noise.
Wave pluck(double hz, double seconds, double damping, double softness, std::uint32_t seed) {
  int period = (int)std::lround(SOUND_RATE / hz);
  Noise noise{seed};
  Wave line(period);
  double last = 0;
  for (double& v : line) {
    last = last * softness + noise.next() * (1 - softness);
    v = last;
  }
  Wave out(samples_of(seconds));
  for (size_t n = 0; n < out.size(); n++) {
    size_t i = n % period, j = (n + 1) % period;
    out[n] = line[i];
    line[i] = 0.5 * (line[i] + line[j]) * damping;
  }
  return out;
}

// A sine from hz_from gliding to hz_to, falling away with the given time constant.
Wave tone(double hz_from, double hz_to, double seconds, double decay) {
  Wave out(samples_of(seconds));
  double phase = 0;
  for (size_t n = 0; n < out.size(); n++) {
    double t = (double)n / SOUND_RATE;
    double hz = hz_from + (hz_to - hz_from) * t / seconds;
    phase += 2 * PI * hz / SOUND_RATE;
    out[n] = std::sin(phase) * std::exp(-t / decay);
  }
  return out;
}

// Noise through a resonant band filter whose centre glides from hz_from to hz_to, shaped by
// a rise and a fall: a whoosh, a tick, a rustle.
Wave band_noise(double hz_from, double hz_to, double seconds, double rise, double fall,
                std::uint32_t seed) {
  Noise noise{seed};
  Wave out(samples_of(seconds));
  double low = 0, band = 0, q = 0.25;
  for (size_t n = 0; n < out.size(); n++) {
    double t = (double)n / SOUND_RATE;
    double hz = hz_from + (hz_to - hz_from) * t / seconds;
    double f = 2 * std::sin(PI * hz / SOUND_RATE);
    low += f * band;
    double high = noise.next() - low - q * band;
    band += f * high;
    double envelope = std::min(1.0, t / rise) * std::exp(-t / fall);
    out[n] = band * envelope;
  }
  return out;
}

// Adds b into a, b starting at the given time and scaled by gain.
void add(Wave& a, const Wave& b, double at_seconds, double gain) {
  size_t start = samples_of(at_seconds);
  if (a.size() < start + b.size()) a.resize(start + b.size(), 0.0);
  for (size_t n = 0; n < b.size(); n++) a[start + n] += b[n] * gain;
}

// A few notes one after the other, each a soft square-ish tone (odd harmonics).
Wave notes(const std::vector<double>& hz, double step, double length, double decay) {
  Wave out;
  for (size_t k = 0; k < hz.size(); k++) {
    Wave note = tone(hz[k], hz[k], length, decay);
    add(note, tone(hz[k] * 3, hz[k] * 3, length, decay * 0.5), 0, 0.2);
    add(note, tone(hz[k] * 5, hz[k] * 5, length, decay * 0.3), 0, 0.08);
    add(out, note, step * k, 1.0);
  }
  return out;
}

Wave synthesise(SoundEffect effect) {
  Wave w;
  switch (effect) {
    case SOUND_SHOT_SHORT:  // a light, high twang
      w = pluck(392, 0.16, 0.994, 0.3, 11);
      add(w, band_noise(4000, 2500, 0.03, 0.001, 0.008, 12), 0, 0.6);
      break;
    case SOUND_SHOT_LONG:  // a deeper, longer twang
      w = pluck(196, 0.26, 0.997, 0.5, 21);
      add(w, band_noise(2500, 1500, 0.04, 0.001, 0.01, 22), 0, 0.5);
      break;
    case SOUND_SHOT_RECURVE:  // two snaps close together
      w = pluck(294, 0.12, 0.985, 0.2, 31);
      add(w, pluck(294, 0.14, 0.99, 0.2, 32), 0.055, 0.9);
      add(w, band_noise(5000, 3000, 0.02, 0.0005, 0.005, 33), 0, 0.8);
      add(w, band_noise(5000, 3000, 0.02, 0.0005, 0.005, 34), 0.055, 0.7);
      break;
    case SOUND_SHOT_WAR:  // a heavy thud with a low string under it
      w = tone(110, 55, 0.28, 0.09);
      add(w, pluck(98, 0.28, 0.996, 0.7, 41), 0, 0.6);
      add(w, band_noise(600, 200, 0.05, 0.001, 0.015, 42), 0, 0.8);
      break;
    case SOUND_HIT:  // a dull thump and a short cry of the cloth
      w = tone(190, 90, 0.16, 0.05);
      add(w, band_noise(1200, 500, 0.08, 0.001, 0.02, 51), 0, 0.7);
      break;
    case SOUND_ARROW_STOP:  // a soft tick into wood or the ground
      w = band_noise(3000, 1800, 0.05, 0.0005, 0.008, 61);
      add(w, tone(700, 500, 0.05, 0.01), 0, 0.5);
      break;
    case SOUND_SWORD:  // a whoosh through the air
      w = band_noise(600, 2400, 0.2, 0.06, 0.08, 71);
      break;
    case SOUND_SWORD_HIT:  // a whoosh cut short by a clang
      w = band_noise(600, 2000, 0.08, 0.03, 0.05, 81);
      add(w, tone(523, 523, 0.25, 0.07), 0.05, 0.8);
      add(w, tone(1310, 1310, 0.25, 0.04), 0.05, 0.5);
      add(w, tone(2140, 2140, 0.25, 0.025), 0.05, 0.35);
      add(w, tone(160, 80, 0.1, 0.03), 0.05, 0.7);
      break;
    case SOUND_PICKUP:  // two rising notes
      w = notes({660, 990}, 0.05, 0.07, 0.03);
      break;
    case SOUND_BOW_DROP:  // wood landing on grass
      w = tone(140, 100, 0.14, 0.035);
      add(w, band_noise(1500, 900, 0.06, 0.001, 0.012, 101), 0.005, 0.6);
      add(w, band_noise(1500, 900, 0.05, 0.001, 0.01, 102), 0.045, 0.35);
      break;
    case SOUND_MENU_MOVE:  // a short blip
      w = notes({1200}, 0, 0.035, 0.012);
      break;
    case SOUND_MENU_CHOOSE:  // two blips up
      w = notes({880, 1320}, 0.045, 0.06, 0.02);
      break;
    case SOUND_MATCH_START:  // a horn call: three notes up
      w = notes({392, 523.25, 659.25}, 0.12, 0.3, 0.12);
      break;
    case SOUND_MATCH_END:  // a closing call, held longer
      w = notes({523.25, 392, 523.25, 783.99}, 0.14, 0.5, 0.2);
      break;
    case SOUND_EFFECTS: break;
  }
  return w;
}

}  // namespace

double sound_peak_share(SoundEffect effect) {
  static constexpr double shares[SOUND_EFFECTS] = {
      0.10,   // short bow
      0.10,   // long bow
      0.10,   // recurve
      0.12,   // war bow
      0.10,   // hit
      0.035,  // arrow stopping: the commonest, the quietest
      0.06,   // sword
      0.10,   // sword hit
      0.05,   // pick-up
      0.045,  // bow drop
      0.03,   // menu move
      0.045,  // menu choice
      0.05,   // match start
      0.055,  // end screen
  };
  return shares[effect];
}

std::vector<std::int16_t> make_sound(SoundEffect effect) {
  Wave w = synthesise(effect);
  // a few milliseconds of fade at the end, so no sound stops with a click
  size_t fade = std::min(w.size(), (size_t)samples_of(0.005));
  for (size_t n = 0; n < fade; n++) w[w.size() - 1 - n] *= (double)n / fade;
  double loudest = 0;
  for (double v : w) loudest = std::max(loudest, std::fabs(v));
  double gain = loudest > 0 ? sound_peak_share(effect) * 32767 / loudest : 0;
  std::vector<std::int16_t> out(w.size());
  for (size_t n = 0; n < w.size(); n++) out[n] = (std::int16_t)std::lround(w[n] * gain);
  return out;
}

std::string wav_file(const std::vector<std::int16_t>& samples) {
  std::string out;
  auto u32 = [&out](std::uint32_t v) {
    for (int i = 0; i < 4; i++) out += (char)(v >> (8 * i) & 0xff);
  };
  auto u16 = [&out](std::uint16_t v) {
    out += (char)(v & 0xff);
    out += (char)(v >> 8);
  };
  std::uint32_t data = (std::uint32_t)samples.size() * 2;
  out += "RIFF";
  u32(36 + data);
  out += "WAVEfmt ";
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(SOUND_RATE);
  u32(SOUND_RATE * 2);
  u16(2);
  u16(16);
  out += "data";
  u32(data);
  for (std::int16_t s : samples) u16((std::uint16_t)s);
  return out;
}
