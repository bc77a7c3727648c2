// The message catalog check: the game's own catalog passes and is bound; each kind of damage
// the C library would read past the file for (or loop on) is refused, and the texts stay
// Slovak.
#include "state/catalog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "state/language.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes built_catalog() {
  std::ifstream in(KORVALEN_CATALOG_SAMPLE, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A locale folder holding bytes as its English catalog.
std::string locale_folder(const std::string& name, const Bytes& catalog) {
  std::string folder = testing::TempDir() + name;
  EXPECT_EQ(std::system(("mkdir -p " + folder + "/en/LC_MESSAGES").c_str()), 0);
  std::ofstream(folder + "/en/LC_MESSAGES/korvalen.mo", std::ios::binary)
      .write((const char*)catalog.data(), catalog.size());
  return folder;
}

std::uint32_t get(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (std::uint32_t)b[at + 3] << 24;
}
void put(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + i] = v >> 8 * i & 0xff;
}

// Header words of a little-endian catalog.
constexpr std::size_t COUNT = 8, ORIGINALS = 12, TRANSLATIONS = 16, HASH_SIZE = 20, HASH_AT = 24;

bool passes(const Bytes& b, std::string* why) {
  return catalog_check(b.data(), b.size(), why);
}

TEST(Catalog, TheGamesOwnPassesAndIsSpoken) {
  Bytes b = built_catalog();
  ASSERT_GT(b.size(), 28u);
  std::string why;
  EXPECT_TRUE(passes(b, &why)) << why;
  // The same catalog in the other byte order: every word of the header, tables and hash.
  Bytes swapped = b;
  auto swap_words = [&](std::size_t at, std::size_t words) {
    for (std::size_t w = at; w < at + 4 * words; w += 4)
      std::swap(swapped[w], swapped[w + 3]), std::swap(swapped[w + 1], swapped[w + 2]);
  };
  swap_words(0, 7);
  swap_words(get(b, ORIGINALS), 2 * get(b, COUNT));
  swap_words(get(b, TRANSLATIONS), 2 * get(b, COUNT));
  swap_words(get(b, HASH_AT), get(b, HASH_SIZE));
  EXPECT_TRUE(passes(swapped, &why)) << why;
  put(swapped, COUNT, 2000000000);  // millions of strings, read in either order
  EXPECT_FALSE(passes(swapped, &why));
  language_start("en");  // the locale English is read under
  EXPECT_TRUE(language_bind_catalog(locale_folder("korvalen_catalog_good", b)));
  EXPECT_STREQ(language_current(), "en");
  EXPECT_STREQ(tr("Nastavenia"), "Settings");
}

TEST(Catalog, DamageIsRefused) {
  const Bytes good = built_catalog();
  ASSERT_GT(good.size(), 28u);
  std::uint32_t count = get(good, COUNT), translations = get(good, TRANSLATIONS);
  std::uint32_t hash_size = get(good, HASH_SIZE), hash_at = get(good, HASH_AT);
  const struct {
    const char* what;
    std::function<void(Bytes&)> damage;
    const char* reason;
  } cases[] = {
      {"cut inside the header", [](Bytes& b) { b.resize(20); }, "header"},
      {"another magic number", [](Bytes& b) { b[0] ^= 1; }, "not a message catalog"},
      {"a later revision", [](Bytes& b) { put(b, 4, 1 << 16); }, "revision"},
      {"two billion strings", [](Bytes& b) { put(b, COUNT, 2000000000); }, "tables"},
      {"a table past the end", [&](Bytes& b) { put(b, TRANSLATIONS, b.size() - 4); }, "tables"},
      {"a table not aligned", [&](Bytes& b) { put(b, ORIGINALS, get(b, ORIGINALS) + 1); },
       "tables"},
      {"a translation past the end",
       [&](Bytes& b) { put(b, translations + 8 * (count - 1) + 4, b.size() + 100); }, "string"},
      {"a translation of 4 GiB", [&](Bytes& b) { put(b, translations + 8, 0xffffffff); }, "string"},
      {"a string without its zero byte",
       [&](Bytes& b) { put(b, translations + 8, get(b, translations + 8) + 1); }, "string"},
      {"the file cut before its last string", [](Bytes& b) { b.resize(b.size() - 2); }, "string"},
      {"a hash table past the end", [&](Bytes& b) { put(b, HASH_AT, b.size()); }, "hash table"},
      {"a hash table size no prime", [&](Bytes& b) { put(b, HASH_SIZE, hash_size - 1); }, "prime"},
      {"a hash table with no empty slot",
       [&](Bytes& b) {
         for (std::uint32_t i = 0; i < hash_size; i++) put(b, hash_at + 4 * i, 1);
       },
       "full"},
      {"a hash entry past the strings",
       [&](Bytes& b) { put(b, hash_at, count + 1), put(b, hash_at + 4, count + 1); },
       "does not hold"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = good;
    c.damage(b);
    std::string why;
    EXPECT_FALSE(passes(b, &why));
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
  }
}

TEST(Catalog, ADamagedCatalogIsRefusedAndTheGameSpeaksSlovak) {
  Bytes b = built_catalog();
  put(b, COUNT, 2000000000);
  std::string folder = locale_folder("korvalen_catalog_bad", b);
  std::string mo = folder + "/en/LC_MESSAGES/korvalen.mo";
  testing::internal::CaptureStderr();
  EXPECT_FALSE(language_bind_catalog(folder));
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "korvalen: " + mo +
                      ": its string tables lie outside the file; the texts "
                      "stay in Slovak\n");
  EXPECT_STREQ(language_current(), "sk");
  EXPECT_STREQ(tr("Nastavenia"), "Nastavenia");
  std::remove(mo.c_str());
}

}  // namespace
