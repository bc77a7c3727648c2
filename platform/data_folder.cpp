// Finding the installed data folder (Data/ and s_1.txt): the folder the build
// installed to, else the one at the same place relative to the executable, so a
// copied or relocated install still finds its images; else the executable's own folder.
#include <SDL.h>
#include <sys/stat.h>

#include <string>

#include "state/data_files.h"
#include "korvalen_version.h"
#include "platform/platform.h"

// True when folder holds the game's images.
static bool holds_data(const std::string& folder) {
  struct stat st;
  return stat((folder + "/Data").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Picks the data folder the game falls back on when the working directory lacks a file.
void locate_data_folder() {
  std::string candidates[3] = {KORVALEN_INSTALL_DATA_DIR};
  if (char* base = SDL_GetBasePath()) {  // the executable's folder, with a trailing slash
    candidates[1] = std::string(base) + KORVALEN_DATA_FROM_BIN;
    candidates[2] = base;
    SDL_free(base);
    if (candidates[2].size() > 1) candidates[2].pop_back();
  }
  for (const std::string& folder : candidates) {
    if (!folder.empty() && holds_data(folder)) {
      data_folder_set(folder);
      return;
    }
  }
}
