// The sound effects through SDL2_mixer: one channel per effect, so a burst of arrows replays
// one voice instead of piling up, and the effects' levels add up to less than full scale.
#include "platform/sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
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

// The device opens on a thread of its own, and closes on another: looking for a device takes
// a tenth of a second on a machine with none (SDL trying its drivers one by one) and tens of
// milliseconds on a desktop (a sound server answering), which the first picture never waits
// for; and a device that stopped taking samples (a stalled sound server, a pipe nobody
// reads) holds SDL's mixing thread, which closing the device waits for. The game waits for
// neither longer than CLOSE_WAIT: it ends without the device rather than hang.
constexpr auto CLOSE_WAIT = std::chrono::milliseconds(700);

// One piece of work on a device thread, shared with it: the thread may outlive the game's
// wait for it, so the last of the two to let go frees it.
struct DeviceWork {
  std::mutex lock;
  std::condition_variable changed;
  bool finished = false;
  bool opened = false;  // the opener's result

  void finish(bool device_opened) {
    std::lock_guard<std::mutex> hold(lock);
    opened = device_opened;
    finished = true;
    changed.notify_all();
  }
  // True once the work finished, waiting until the deadline at most.
  bool wait_until(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> hold(lock);
    return changed.wait_until(hold, deadline, [this] { return finished; });
  }
  bool done() {
    std::lock_guard<std::mutex> hold(lock);
    return finished;
  }
};
std::shared_ptr<DeviceWork> opening;  // the opener, until the game takes its result

// Only the game's thread reads and writes these; the opener hands its result over through
// `opening`, and the mixer is touched only once the device is open.
bool device_open;
bool device_lost;
bool left_behind;  // the device did not answer the closing
bool window_shown = true;
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
// device opened, and dropped when none did; the game's own lines, written meanwhile by its
// other thread, are always given back. It is given back by whoever comes first: the opener
// once the device answered, or the game when it stops waiting for a device that never does.
std::atomic<int> real_stderr{-1};
std::FILE* stderr_kept;  // written before real_stderr, read by whoever takes that back

void set_stderr_aside() {
  std::fflush(stderr);
  std::FILE* kept = tmpfile();
  int saved = kept ? dup(2) : -1;
  if (saved < 0) {
    if (kept) std::fclose(kept);
    return;
  }
  stderr_kept = kept;
  dup2(fileno(kept), 2);
  real_stderr.store(saved);
}

void give_stderr_back(bool show_all) {
  int saved = real_stderr.exchange(-1);
  if (saved < 0) return;
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::rewind(stderr_kept);
  char line[512];
  bool games_line = false, line_start = true;
  while (std::fgets(line, sizeof line, stderr_kept)) {
    if (line_start) games_line = std::strncmp(line, "korvalen:", 9) == 0;
    if (show_all || games_line) std::fputs(line, stderr);
    line_start = std::strchr(line, '\n') != nullptr;
  }
  std::fclose(stderr_kept);
}

// Opens the device; false after the game's one line about it.
bool open_device() {
  set_stderr_aside();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    give_stderr_back(false);
    std::fprintf(stderr, "korvalen: no sound: %s; the game plays on without it\n", SDL_GetError());
    return false;
  }
  if (Mix_OpenAudioDevice(RATE, AUDIO_S16SYS, 1, BUFFER_FRAMES, nullptr, 0) != 0) {
    give_stderr_back(false);
    std::fprintf(stderr, "korvalen: no sound: %s; the game plays on without it\n", Mix_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  give_stderr_back(true);
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

namespace {

// The opener: the device and the effects, then its result to the game.
void open_and_load(const std::shared_ptr<DeviceWork>& work) {
  bool opened = open_device();
  if (opened) {
    Mix_AllocateChannels(CHANNELS);
    Mix_Volume(-1, 0);  // silent until the game sets the player's volume
    Mix_SetPostMix(count_mixed, nullptr);
    load_effects();
  }
  work->finish(opened);
}

// The opener's result, once it is there: the volume and pause the player chose meanwhile.
bool take_opened_device() {
  if (!opening || !opening->done()) return device_open;
  device_open = opening->opened;
  opening.reset();
  apply_volume();
  if (device_open && !window_shown) Mix_Pause(-1);
  return device_open;
}

void close_device(const std::shared_ptr<DeviceWork>& work) {
  Mix_HaltChannel(-1);
  for (Mix_Chunk*& chunk : chunks) {
    if (chunk) Mix_FreeChunk(chunk);
    chunk = nullptr;
  }
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  work->finish(false);
}

void leave_device_behind() {
  give_stderr_back(false);
  std::fprintf(stderr, "korvalen: the sound device does not answer; the game ends without it\n");
}

}  // namespace

void sound_open(int volume) {
  volume_setting = volume;
  if (const char* log = std::getenv("KORVALEN_SOUND_LOG")) {
    sound_log = std::fopen(log, "w");
    log_start = std::chrono::steady_clock::now();
  }
  cap_library_allocations();  // before the opener reads a file, and never beside it
  opening = std::make_shared<DeviceWork>();
#ifdef __EMSCRIPTEN__
  open_and_load(opening);  // the page has one thread, and opens the device at once
#else
  std::thread(open_and_load, opening).detach();
#endif
  take_opened_device();
  apply_volume();  // the log's first volume line, with the device or without
}

void sound_close() {
  auto deadline = std::chrono::steady_clock::now() + CLOSE_WAIT;
  bool answered = !opening || opening->wait_until(deadline);
  if (answered) take_opened_device();
  if (answered && device_open) {
    auto closing = std::make_shared<DeviceWork>();
#ifdef __EMSCRIPTEN__
    close_device(closing);
#else
    std::thread(close_device, closing).detach();
#endif
    answered = closing->wait_until(deadline);
    device_open = false;
  }
  if (!answered) leave_device_behind();
  left_behind = !answered;
  if (sound_log) {
    log_mixed();
    std::fclose(sound_log);
  }
  sound_log = nullptr;
}

bool sound_left_behind() {
  return left_behind;
}

void sound_play(const SoundEvents& events) {
  steps_heard++;
  log_mixed();
  if (!take_opened_device() || device_lost) return;
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
  window_shown = active;
  if (!take_opened_device()) return;
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
  if (capture || !take_opened_device() || device_lost) return;
  device_lost = true;
  Mix_HaltChannel(-1);
  std::fprintf(stderr, "korvalen: the sound device went away; the game plays on without sound\n");
}
