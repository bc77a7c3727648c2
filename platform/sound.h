// The sound effects through SDL2_mixer. Sound never stops the game: with no audio device,
// or a missing or bad file, that sound (or every sound) stays silent, with one line on
// standard error for each cause.
#pragma once

#include <cstddef>
#include <string>

#include "flow/sound_events.h"

// Opens the audio device and loads the effects from Data/sound/, at volume 0 to 100.
// The device opens beside the game: the first pictures never wait for it, and the effects
// are heard once it is ready.
void sound_open(int volume);
// Closes the device, waiting 0.7 s at most: a device that does not answer by then (its
// thread stuck writing to a sound server or a pipe that takes nothing more) is left behind.
void sound_close();
// True when the closing left the device behind: the process must then end with _exit, since
// the C library's exit would flush the device's own stream and wait on it for ever.
bool sound_left_behind();
// Starts the effects of one step. The pause menu opening silences what still plays.
void sound_play(const SoundEvents& events);
// The volume, 0 to 100 (the setting and --volume).
void sound_set_volume(int volume);
int sound_volume();
// F8: mutes, and brings the sound back.
void sound_toggle_mute();
bool sound_muted();
// Minimised, nothing is heard; shown again, what was playing goes on.
void sound_window_active(bool active);
// The audio device went away (SDL's removal event): the game plays on without sound.
void sound_device_removed(bool capture);

// The loading of one sound file, as the game does it, for the fuzz target: 16-bit mono PCM at
// 44100 Hz, at most 2 seconds, or nothing and *why. The device must be open. The result is
// freed with sound_file_free.
void* sound_file_decode(const unsigned char* bytes, std::size_t size, std::string* why);
void sound_file_free(void* sound);
constexpr std::size_t SOUND_FILE_MAX_BYTES = 1 << 20;  // larger files are refused unread
