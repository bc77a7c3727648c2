// The message catalog check: the layout of a .mo file as GNU gettext writes and reads it.
#include "state/catalog.h"

#include <cstdint>

namespace {

constexpr std::uint32_t MAGIC = 0x950412de, MAGIC_SWAPPED = 0xde120495;
constexpr std::size_t HEADER_BYTES = 28;

struct Catalog {
  const unsigned char* bytes;
  std::uint64_t size;
  bool big_endian;

  std::uint32_t word(std::uint64_t at) const {
    const unsigned char* b = bytes + at;
    return big_endian ? (std::uint32_t)b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3]
                      : (std::uint32_t)b[3] << 24 | b[2] << 16 | b[1] << 8 | b[0];
  }
  // True when count entries of entry_bytes each, from offset, lie inside the file.
  bool holds(std::uint64_t offset, std::uint64_t count, std::uint64_t entry_bytes) const {
    return offset <= size && count <= (size - offset) / entry_bytes;
  }
};

bool is_prime(std::uint32_t n) {
  if (n < 2) return false;
  for (std::uint32_t d = 2; (std::uint64_t)d * d <= n; d++)
    if (n % d == 0) return false;
  return true;
}

// Every (length, offset) pair of a string table names a string inside the file, with its
// zero byte after it.
bool strings_inside(const Catalog& c, std::uint32_t table, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; i++) {
    std::uint64_t length = c.word(table + 8ull * i), offset = c.word(table + 8ull * i + 4);
    if (offset > c.size || length >= c.size - offset || c.bytes[offset + length] != 0) return false;
  }
  return true;
}

bool refuse(std::string* why, const char* reason) {
  *why = reason;
  return false;
}

}  // namespace

bool catalog_check(const unsigned char* bytes, std::size_t size, std::string* why) {
  if (size > CATALOG_MAX_BYTES) return refuse(why, "larger than 16 MiB");
  if (size < HEADER_BYTES) return refuse(why, "shorter than a catalog's header");
  Catalog c{bytes, size, false};
  std::uint32_t magic = c.word(0);
  if (magic != MAGIC && magic != MAGIC_SWAPPED) return refuse(why, "not a message catalog");
  c.big_endian = magic == MAGIC_SWAPPED;
  // Revision 0 is every plain catalog; later ones add strings the game's never hold.
  if (c.word(4) != 0) return refuse(why, "a catalog revision the game does not read");
  std::uint32_t count = c.word(8), originals = c.word(12), translations = c.word(16);
  std::uint32_t hash_size = c.word(20), hash_table = c.word(24);
  if (originals % 4 || translations % 4 || !c.holds(originals, count, 8) ||
      !c.holds(translations, count, 8))
    return refuse(why, "its string tables lie outside the file");
  if (!strings_inside(c, originals, count) || !strings_inside(c, translations, count))
    return refuse(why, "a string lies outside the file");
  // The library looks a text up in the hash table when it has more than two slots, and steps
  // through it by a stride that reaches every slot only when its size is a prime; it stops at
  // an empty slot.
  if (hash_size <= 2) return true;
  if (hash_table % 4 || !c.holds(hash_table, hash_size, 4))
    return refuse(why, "its hash table lies outside the file");
  if (!is_prime(hash_size)) return refuse(why, "its hash table's size is not a prime");
  bool empty_slot = false;
  for (std::uint32_t i = 0; i < hash_size; i++) {
    std::uint32_t entry = c.word(hash_table + 4ull * i);
    if (entry == 0) empty_slot = true;
    if (entry > count) return refuse(why, "its hash table names a string it does not hold");
  }
  if (!empty_slot) return refuse(why, "its hash table is full");
  return true;
}
