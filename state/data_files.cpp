// Where the game's files are read. The working directory wins, so the source tree and a
// player's own s_1.txt in the folder the game starts from are read as they are; the data
// folder the game was installed with fills in whatever the working directory lacks.
#include "state/data_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

static std::string installed_folder;

void data_folder_set(const std::string& folder) {
  installed_folder = folder;
}

const std::string& data_folder() {
  return installed_folder;
}

// True when the working directory holds what the name starts with: its first folder
// ("Data") as a folder, or a bare file name as anything at all (a folder named s_1.txt
// is still the player's map, one that cannot be read).
static bool in_working_directory(const char* name) {
  const char* slash = std::strchr(name, '/');
  struct stat st;
  if (!slash) return stat(name, &st) == 0;
  std::string first(name, slash - name);
  return stat(first.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string data_file_path(const char* name) {
  if (installed_folder.empty() || name[0] == '/' || in_working_directory(name)) return name;
  return installed_folder + "/" + name;
}

std::string data_file_full_path(const char* name) {
  std::string path = data_file_path(name);
  char cwd[4096];
  if (path[0] == '/' || !getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}
