// The game's sound effects, synthesised from code: every run makes the same samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flow/sound_events.h"

constexpr int SOUND_RATE = 44100;  // samples a second, 16-bit mono: the form the game loads

// The samples of one effect.
std::vector<std::int16_t> make_sound(SoundEffect effect);
// The loudest sample an effect may reach, as a share of full scale. The shares of all the
// effects add up to less than 1, so every effect at once never clips.
double sound_peak_share(SoundEffect effect);
// A 16-bit mono PCM WAV file of the samples.
std::string wav_file(const std::vector<std::int16_t>& samples);
