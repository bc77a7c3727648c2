// The game state as named fields: one table of every field the replay can print or set,
// built once, so dump, prefix matching, set and the state hash two machines compare can
// never disagree.
#pragma once

#include <cstdint>
#include <cstdio>

enum fieldtype_t { FT_BOOL, FT_INT, FT_FLOAT };

struct field_t {
  char name[40];
  void* ptr;
  fieldtype_t type;
  int lo, hi;        // allowed range of an int field
  bool grid;         // the flag grid: printed only through a prefix
  bool window;       // the window's and the loop's marks: dumped, never hashed
  std::uint8_t bit;  // a screen's flag: its bit of the byte at ptr (0: a whole field)
};

// A bool field's value, and a new one for it (a screen's flag is one bit of a byte).
bool Field_Bool(const field_t* f);
void Field_SetBool(const field_t* f, bool value);

// Fills the table with every field in dump order.
void Dump_Init();

// The field named exactly so, or nullptr.
const field_t* Dump_Find(const char* name);

// True when some field's name starts with prefix.
bool Dump_PrefixMatches(const char* prefix);

// Prints the header and every field (all but the grid when no prefixes are given).
void Dump_Print(std::FILE* out, long long frame, const char* const* prefixes, int numprefixes);

// Parses text as a value of the field and stores it; false when it does not parse whole
// or lies outside the field's range.
bool Dump_Set(const field_t* f, const char* text);

// A hash of the whole game state as two machines playing one match must share it: every
// field the dump prints without a prefix but the window's and the loop's marks (`done`,
// `active`), and the bow drops' generator. Dump_Init must have run.
std::uint64_t State_Hash();
