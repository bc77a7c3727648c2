// The check a message catalog passes before the C library is given it: the library trusts
// every count and offset in a .mo file, so a damaged one makes it read far past the file.
#pragma once

#include <cstddef>
#include <string>

// Catalogs larger than this are refused unread: the game's own is a few kilobytes.
constexpr std::size_t CATALOG_MAX_BYTES = 16 << 20;

// True when bytes hold a catalog the C library can read safely: the header whole, the magic
// number (either byte order) and a format revision it reads, both string tables inside the
// file and aligned, every string inside the file and ended by its zero byte, and a hash
// table whose size is a prime with at least one empty slot (so every lookup ends) and whose
// entries all name a string of the catalog. Otherwise false and a short reason in *why.
bool catalog_check(const unsigned char* bytes, std::size_t size, std::string* why);
