// Two games saving their settings at once: build/bench/settings_race [SAVES] [FOLDER]
// Two processes each save SAVES times (one the speed, one the volume) into one settings
// file while this one looks at the file as often as it can: it must always be there, and
// a [keys] line neither of them touches must always be in it. Prints what it saw.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "state/settings.h"

namespace {

const char* const UNTOUCHED = "player2.up = W";

// One writer: SAVES changes of its own setting; exits with the number it could not save.
[[noreturn]] void save_many(int saves, const char* section, const char* name, int low) {
  int refused = 0;
  for (int i = 0; i < saves; i++)
    if (!settings_store(section, name, std::to_string(low + i % 2))) refused++;
  _exit(refused > 255 ? 255 : refused);
}

}  // namespace

int main(int argc, char** argv) {
  int saves = argc > 1 ? atoi(argv[1]) : 3000;
  std::string folder = argc > 2 ? argv[2] : "";
  if (folder.empty()) {
    char made[] = "/tmp/korvalen_race_XXXXXX";
    if (!mkdtemp(made)) return perror("mkdtemp"), 1;
    folder = made;
  }
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  std::string path = settings_path();
  if (!settings_store("keys", "player2.up", "W")) return 1;

  pid_t writers[2];
  writers[0] = fork();
  if (writers[0] == 0) save_many(saves, "game", "speed", 1);
  writers[1] = fork();
  if (writers[1] == 0) save_many(saves, "sound", "volume", 40);

  long looks = 0, missing = 0, lost = 0;
  int running = 2, refused = 0;
  while (running > 0) {
    usleep(500);  // a look every half millisecond leaves the writers the machine
    std::ifstream in(path, std::ios::binary);
    looks++;
    if (!in) {
      missing++;
    } else {
      std::stringstream text;
      text << in.rdbuf();
      if (text.str().find(UNTOUCHED) == std::string::npos) lost++;
    }
    int status;
    for (pid_t& w : writers)
      if (w > 0 && waitpid(w, &status, WNOHANG) == w) {
        w = 0;
        running--;
        refused += WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
      }
  }
  Settings last = settings_load();
  bool kept = false;
  for (const KeySetting& k : last.keys) kept |= k.player == 2 && k.action == 0 && k.name == "W";
  printf(
      "saves %d x 2, refused %d; looks %ld, file missing %ld, [keys] line lost %ld; "
      "at the end the line is %s\n",
      saves, refused, looks, missing, lost, kept ? "there" : "LOST");
  if (argc <= 2) (void)!system(("rm -rf " + folder).c_str());
  return missing || lost || !kept ? 1 : 0;
}
