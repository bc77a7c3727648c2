// Fuzz target: a sound file's bytes through the game's loading path (the library's WAV reader,
// the form check, the mixer's copy). A refused file says why; an accepted one is 16-bit mono
// of at most 2 seconds, and every byte of it can be read.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_fail.h"
#include "platform/sound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 1, 512, nullptr, 0))
    fuzz_fail("no audio device, not even SDL's silent one");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string why;
  Mix_Chunk* chunk = (Mix_Chunk*)sound_file_decode(data, size, &why);
  if (!chunk) {
    if (why.empty()) fuzz_fail("a refused sound file must say why");
    return 0;
  }
  if (!why.empty()) fuzz_fail("an accepted sound file gave a reason");
  if (chunk->alen > 2u * 44100 * 2) fuzz_fail("longer than 2 seconds");
  unsigned sum = 0;
  for (Uint32 i = 0; i < chunk->alen; i++) sum += chunk->abuf[i];
  sound_file_free(chunk);
  return (int)(sum & 0);
}
