// The sound's share of a core: the mixer with 16 effects playing at once (each looping on its
// own channel) against the mixer playing nothing, on SDL's silent driver, which mixes at the
// pace of a real device. Prints the process's processor time over the wall time of each.
#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench/processor_time.h"
#include "flow/sound_events.h"
#include "platform/sound.h"

namespace {

// The share of a core the process used over `seconds` of wall time.
double core_share(double seconds) {
  auto wall = std::chrono::steady_clock::now();
  double cpu = processor_seconds();
  SDL_Delay((Uint32)(seconds * 1000));
  double wall_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
  return (processor_seconds() - cpu) / wall_seconds;
}

std::vector<unsigned char> read_file(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back((unsigned char)c);
    std::fclose(f);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 10;
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  if (SDL_Init(SDL_INIT_AUDIO) != 0 ||
      Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 1, 512, nullptr, 0)) {
    std::fprintf(stderr, "sound_bench: no audio: %s\n", SDL_GetError());
    return 1;
  }
  Mix_AllocateChannels(16);
  std::vector<Mix_Chunk*> chunks;
  for (const char* name : sound_file_names) {
    std::vector<unsigned char> bytes =
        read_file(std::string(KORVALEN_SOURCE "/Data/sound/") + name);
    std::string why;
    Mix_Chunk* chunk = (Mix_Chunk*)sound_file_decode(bytes.data(), bytes.size(), &why);
    if (!chunk) {
      std::fprintf(stderr, "sound_bench: %s: %s\n", name, why.c_str());
      return 1;
    }
    chunks.push_back(chunk);
  }
  double idle = core_share(seconds);
  for (int c = 0; c < 16; c++) Mix_PlayChannel(c, chunks[c % chunks.size()], -1);
  double busy = core_share(seconds);
  std::printf(
      "sound: 16 effects at once take %.2f %% of a core (the mixer playing nothing: "
      "%.2f %%), 44100 Hz mono, 512-frame buffers, %.0f s each\n",
      100 * busy, 100 * idle, seconds);
  Mix_HaltChannel(-1);
  for (Mix_Chunk* chunk : chunks) sound_file_free(chunk);
  Mix_CloseAudio();
  SDL_Quit();
  return 0;
}
