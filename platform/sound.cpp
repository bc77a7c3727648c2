// The sound effects through SDL2_mixer: one channel per effect, so a burst of arrows replays
// one voice instead of piling up, and the effects' levels add up to less than full scale.
#include "platform/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "state/data_files.h"
#include "state/files.h"

namespace {

constexpr int RATE = 44100;
// 512 frames are 11.6 ms: a step's sound is mixed into the next buffer, and heard at most
// two buffers (23 ms) after the step.
constexpr int BUFFER_FRAMES = 512;
constexpr int CHANNELS = 16;  // one for each effect, and room
constexpr Uint32 LONGEST_FRAMES = 2 * RATE;

bool device_open;
bool device_lost;
bool muted;
int volume_setting = 100;
Mix_Chunk* chunks[SOUND_EFFECTS];

// The frames mixed so far: where in the device's stream the next buffer starts.
std::atomic<long long> frames_mixed{0};

// KORVALEN_SOUND_LOG=FILE: a line for every effect a step started, with the step's place in
// the mixed stream, and one for every buffer mixed, with the time it was mixed; the tests find
// each sound in a capture of the output and measure how soon after its step it was mixed.
std::FILE* sound_log;
long long steps_heard;
std::chrono::steady_clock::time_point log_start;
struct Mixed {
  long long frame;
  double ms;
};
std::mutex mixed_lock;
std::vector<Mixed> mixed_since;  // written by the mixing thread, logged by the game's

double log_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - log_start)
      .count();
}

void count_mixed(void*, Uint8*, int bytes) {
  long long frame = frames_mixed.fetch_add(bytes / 2);
  if (!sound_log) return;
  std::lock_guard<std::mutex> hold(mixed_lock);
  if (mixed_since.size() < 4096) mixed_since.push_back({frame, log_ms()});
}

void log_mixed() {
  if (!sound_log) return;
  std::lock_guard<std::mutex> hold(mixed_lock);
  for (const Mixed& m : mixed_since) std::fprintf(sound_log, "mixed %lld ms %.3f\n", m.frame, m.ms);
  mixed_since.clear();
}

void log_effect(int effect, bool heard) {
  if (!sound_log) return;
  std::fprintf(sound_log, "step %lld effect %s frame %lld ms %.3f%s\n", steps_heard,
               sound_file_names[effect], frames_mixed.load(), log_ms(), heard ? "" : " silent");
}

// The volume as it is now, a line of the log ("volume 40", "volume 40 muted").
void apply_volume() {
  if (sound_log) {
    std::fprintf(sound_log, "volume %d%s\n", volume_setting, muted ? " muted" : "");
    std::fflush(sound_log);
  }
  if (device_open) Mix_Volume(-1, muted ? 0 : volume_setting * MIX_MAX_VOLUME / 100);
}

// Reads a whole regular file, up to the cap; false with the reason otherwise.
bool read_sound_file(const std::string& path, std::vector<unsigned char>* bytes, std::string* why) {
  long long size = 0;
  std::FILE* f = open_regular_file(path.c_str(), "rb", &size);
  if (!f) {
    *why = why_unopened(path.c_str());
    return false;
  }
  if (size > (long long)SOUND_FILE_MAX_BYTES) {
    std::fclose(f);
    *why = "larger than 1 MiB";
    return false;
  }
  bytes->resize((size_t)size);
  size_t got = std::fread(bytes->data(), 1, bytes->size(), f);
  std::fclose(f);
  if (got != bytes->size()) {
    *why = "unreadable";
    return false;
  }
  return true;
}

// Standard error set aside while the audio libraries look for a device: on a machine with
// none, ALSA's own lines would bury the game's one. What they said is given back when a
// device opened, and dropped when none did.
class SetAsideStderr {
 public:
  SetAsideStderr() {
    std::fflush(stderr);
    kept = tmpfile();
    saved = kept ? dup(2) : -1;
    if (saved >= 0) dup2(fileno(kept), 2);
  }
  void give_back(bool show) {
    if (saved < 0) return;
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    saved = -1;
    std::rewind(kept);
    char line[512];
    while (show && std::fgets(line, sizeof line, kept)) std::fputs(line, stderr);
  }
  ~SetAsideStderr() {
    give_back(false);
    if (kept) std::fclose(kept);
  }

 private:
  std::FILE* kept;
  int saved;
};

// Opens the device; false after the game's one line about it.
bool open_device() {
  SetAsideStderr chatter;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    chatter.give_back(false);
    std::fprintf(stderr, "korvalen: no sound: %s; the game plays on without it\n", SDL_GetError());
    return false;
  }
  if (Mix_OpenAudioDevice(RATE, AUDIO_S16SYS, 1, BUFFER_FRAMES, nullptr, 0) != 0) {
    chatter.give_back(false);
    std::fprintf(stderr, "korvalen: no sound: %s; the game plays on without it\n", Mix_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  chatter.give_back(true);
  return true;
}

void load_effects() {
  for (int e = 0; e < SOUND_EFFECTS; e++) {
    std::string name = std::string("Data/sound/") + sound_file_names[e];
    std::string path = data_file_path(name.c_str()), why;
    std::vector<unsigned char> bytes;
    if (read_sound_file(path, &bytes, &why))
      chunks[e] = (Mix_Chunk*)sound_file_decode(bytes.data(), bytes.size(), &why);
    if (!chunks[e])
      std::fprintf(stderr, "korvalen: sound %s: %s; the game plays on without it\n",
                   data_file_full_path(name.c_str()).c_str(), why.c_str());
  }
}

// SDL's WAV reader believes the lengths a file declares: a file of 177 bytes made it ask for
// 2 GB. While a sound file is read, what the library asks for on this thread is capped; its
// allocator is wrapped once, the same underneath, so what it allocated before is freed alike.
thread_local bool reading_sound_file;
constexpr std::size_t READING_ALLOCATION_CAP = 16 << 20;
SDL_malloc_func library_malloc;
SDL_calloc_func library_calloc;
SDL_realloc_func library_realloc;
SDL_free_func library_free;

void* capped_malloc(std::size_t size) {
  return reading_sound_file && size > READING_ALLOCATION_CAP ? nullptr : library_malloc(size);
}
void* capped_calloc(std::size_t count, std::size_t size) {
  if (reading_sound_file && size && count > READING_ALLOCATION_CAP / size) return nullptr;
  return library_calloc(count, size);
}
void* capped_realloc(void* block, std::size_t size) {
  return reading_sound_file && size > READING_ALLOCATION_CAP ? nullptr
                                                             : library_realloc(block, size);
}
void capped_free(void* block) {
  library_free(block);
}

void cap_library_allocations() {
  if (library_malloc) return;
  // A file cut off inside its samples is refused, not played as far as it goes.
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "strict");
  SDL_GetMemoryFunctions(&library_malloc, &library_calloc, &library_realloc, &library_free);
  SDL_SetMemoryFunctions(capped_malloc, capped_calloc, capped_realloc, capped_free);
}

// Reads the file's form and its samples through the library, its allocations capped.
Mix_Chunk* read_wav(const unsigned char* bytes, std::size_t size, std::string* why) {
  SDL_AudioSpec wav_format;
  Uint8* samples = nullptr;
  Uint32 length = 0;
  if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes, (int)size), 1, &wav_format, &samples, &length)) {
    *why = std::string("not a WAV file the game reads (") + SDL_GetError() + ")";
    return nullptr;
  }
  SDL_FreeWAV(samples);
  if (wav_format.format != AUDIO_S16LSB || wav_format.channels != 1 || wav_format.freq != RATE) {
    char form[160];
    std::snprintf(form, sizeof form,
                  "%d-bit %s at %d Hz, where the game plays 16-bit mono at %d Hz",
                  (int)SDL_AUDIO_BITSIZE(wav_format.format),
                  wav_format.channels == 1 ? "mono" : "stereo", wav_format.freq, RATE);
    *why = form;
    return nullptr;
  }
  if (length / 2 > LONGEST_FRAMES) {
    *why = "longer than 2 seconds";
    return nullptr;
  }
  Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes, (int)size), 1);
  if (!chunk) *why = std::string("unreadable (") + Mix_GetError() + ")";
  return chunk;
}

}  // namespace

void* sound_file_decode(const unsigned char* bytes, std::size_t size, std::string* why) {
  if (size > SOUND_FILE_MAX_BYTES) {
    *why = "larger than 1 MiB";
    return nullptr;
  }
  // The library reads the file twice: once to see its form, once into the mixer's.
  cap_library_allocations();
  reading_sound_file = true;
  Mix_Chunk* chunk = read_wav(bytes, size, why);
  reading_sound_file = false;
  return chunk;
}

void sound_file_free(void* sound) {
  if (sound) Mix_FreeChunk((Mix_Chunk*)sound);
}

void sound_open(int volume) {
  volume_setting = volume;
  if (const char* log = std::getenv("KORVALEN_SOUND_LOG")) {
    sound_log = std::fopen(log, "w");
    log_start = std::chrono::steady_clock::now();
  }
  if (!open_device()) return apply_volume();
  device_open = true;
  Mix_AllocateChannels(CHANNELS);
  Mix_SetPostMix(count_mixed, nullptr);
  apply_volume();
  load_effects();
}

void sound_close() {
  if (device_open) {
    Mix_HaltChannel(-1);
    for (Mix_Chunk*& chunk : chunks) {
      if (chunk) Mix_FreeChunk(chunk);
      chunk = nullptr;
    }
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device_open = false;
  }
  if (sound_log) {
    log_mixed();
    std::fclose(sound_log);
  }
  sound_log = nullptr;
}

void sound_play(const SoundEvents& events) {
  steps_heard++;
  log_mixed();
  if (!device_open || device_lost) return;
  if (events.pause) Mix_HaltChannel(-1);
  bool heard = !muted && volume_setting > 0;
  for (int e = 0; e < SOUND_EFFECTS; e++) {
    if (!events.play[e] || !chunks[e]) continue;
    if (heard) Mix_PlayChannel(e, chunks[e], 0);
    log_effect(e, heard);
  }
  if (sound_log) std::fflush(sound_log);
}

void sound_set_volume(int volume) {
  volume_setting = volume < 0 ? 0 : volume > 100 ? 100 : volume;
  apply_volume();
}

int sound_volume() {
  return volume_setting;
}

void sound_toggle_mute() {
  muted = !muted;
  if (muted && device_open) Mix_HaltChannel(-1);
  apply_volume();
}

bool sound_muted() {
  return muted;
}

void sound_window_active(bool active) {
  if (!device_open) return;
  if (active)
    Mix_Resume(-1);
  else
    Mix_Pause(-1);
  if (sound_log) {
    std::fprintf(sound_log, "%s frame %lld\n", active ? "active" : "inactive", frames_mixed.load());
    std::fflush(sound_log);
  }
}

void sound_device_removed(bool capture) {
  if (capture || !device_open || device_lost) return;
  device_lost = true;
  Mix_HaltChannel(-1);
  std::fprintf(stderr, "korvalen: the sound device went away; the game plays on without sound\n");
}
