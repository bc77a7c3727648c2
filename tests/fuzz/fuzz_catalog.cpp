// Fuzz target: the message catalog check on any bytes. A catalog it accepts is then read as
// the C library reads one: every text of it looked up through the hash table, stepping as the
// library steps, and every string read to its zero byte. The sanitizer sees any read past the
// bytes, and a lookup that never meets an empty slot fails the run.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_fail.h"
#include "state/catalog.h"

namespace {

struct Reader {
  const std::uint8_t* bytes;
  bool big_endian;
  std::uint32_t word(std::size_t at) const {
    const std::uint8_t* b = bytes + at;
    return big_endian ? (std::uint32_t)b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3]
                      : (std::uint32_t)b[3] << 24 | b[2] << 16 | b[1] << 8 | b[0];
  }
};

// The hash the library files texts under (the PJW hash).
std::uint32_t text_hash(const char* text) {
  std::uint32_t h = 0;
  for (; *text; text++) {
    h = (h << 4) + (unsigned char)*text;
    if (std::uint32_t g = h & 0xf0000000u) h ^= g >> 24 ^ g;
  }
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string why;
  if (!catalog_check(data, size, &why)) {
    if (why.empty()) fuzz_fail("refused without a reason");
    return 0;
  }
  Reader r{data, data[0] == 0x95};
  std::uint32_t count = r.word(8), originals = r.word(12), translations = r.word(16);
  std::uint32_t hash_size = r.word(20), hash_at = r.word(24);
  for (std::uint32_t i = 0; i < count; i++) {
    const char* text = (const char*)data + r.word(originals + 8 * i + 4);
    const char* translation = (const char*)data + r.word(translations + 8 * i + 4);
    if (std::strlen(text) > r.word(originals + 8 * i) ||
        std::strlen(translation) > r.word(translations + 8 * i))
      fuzz_fail("a string runs past its length");
    if (hash_size <= 2) continue;
    std::uint32_t h = text_hash(text), slot = h % hash_size, stride = 1 + h % (hash_size - 2);
    for (std::uint32_t steps = 0;; steps++) {
      if (steps > hash_size) fuzz_fail("a lookup never meets an empty slot");
      std::uint32_t entry = r.word(hash_at + 4 * slot);
      if (entry == 0) break;
      const char* filed = (const char*)data + r.word(originals + 8 * (entry - 1) + 4);
      if (std::strcmp(filed, text) == 0) break;
      slot = slot + stride >= hash_size ? slot + stride - hash_size : slot + stride;
    }
  }
  return 0;
}
