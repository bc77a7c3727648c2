// Replays a fuzz target's saved inputs without libFuzzer, so the ordinary sanitizer build
// checks every committed corpus file on each run: corpus_driver FILE_OR_FOLDER ...
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Set-up a target may have, run once before the first input as libFuzzer does.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

// Feeds one file to the target.
static bool run_file(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof(chunk), f)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(f);
  // An empty vector's data() may be null; the fuzzer always passes a real pointer.
  static const std::uint8_t none = 0;
  LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
  return true;
}

// Lists a folder's files in name order, so runs are repeatable.
static std::vector<std::string> folder_files(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') out.push_back(dir + "/" + e->d_name);
    closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int count = 0;
  for (int i = 1; i < argc; i++) {
    struct stat st;
    if (stat(argv[i], &st) != 0) {
      std::fprintf(stderr, "corpus_driver: no such input: %s\n", argv[i]);
      return 1;
    }
    std::vector<std::string> files =
        S_ISDIR(st.st_mode) ? folder_files(argv[i]) : std::vector<std::string>{argv[i]};
    for (const std::string& f : files) {
      if (!run_file(f)) {
        std::fprintf(stderr, "corpus_driver: cannot read %s\n", f.c_str());
        return 1;
      }
      count++;
    }
  }
  if (count == 0) {
    std::fprintf(stderr, "corpus_driver: no input files\n");
    return 1;
  }
  std::fprintf(stderr, "corpus_driver: %d inputs ran clean\n", count);
  return 0;
}
