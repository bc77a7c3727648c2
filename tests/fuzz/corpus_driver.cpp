// Replays a fuzz target's saved inputs without libFuzzer, so the ordinary sanitizer build
// checks every committed corpus file on each run: corpus_driver FILE_OR_FOLDER ...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Set-up a target may have, run once before the first input as libFuzzer does.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  // Each folder's files (no hidden ones) in name order, so runs are repeatable.
  std::vector<fs::path> files;
  for (int i = 1; i < argc; i++) {
    std::error_code err;
    if (!fs::is_directory(argv[i], err)) {
      files.push_back(argv[i]);
      continue;
    }
    std::vector<fs::path> folder;
    for (const fs::directory_entry& e : fs::directory_iterator(argv[i]))
      if (e.path().filename().string()[0] != '.') folder.push_back(e.path());
    std::sort(folder.begin(), folder.end());
    files.insert(files.end(), folder.begin(), folder.end());
  }
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "corpus_driver: cannot read %s\n", f.c_str());
      return 1;
    }
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    // An empty string's data() is a real pointer, as the fuzzer always passes.
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  if (files.empty()) {
    std::fprintf(stderr, "corpus_driver: no input files\n");
    return 1;
  }
  std::fprintf(stderr, "corpus_driver: %zu inputs ran clean\n", files.size());
  return 0;
}
