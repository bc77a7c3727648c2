// Writes every sound effect the game plays as a WAV file under Data/sound/.
// Run from the source tree as "make_sounds Data/sound": the output depends on nothing but
// the synthesis code, so a re-run rebuilds the folder byte for byte.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "sounds.h"

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : "Data/sound";
  mkdir(folder.c_str(), 0755);
  for (int e = 0; e < SOUND_EFFECTS; e++) {
    std::string path = folder + "/" + sound_file_names[e];
    std::string bytes = wav_file(make_sound((SoundEffect)e));
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
      fprintf(stderr, "make_sounds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
