// The replay's view of the game state: one table of every field it can print
// or set, built once, so dump, prefix matching and set can never disagree.
#pragma once

#include <cstdio>

enum fieldtype_t { FT_BOOL, FT_INT, FT_FLOAT };

struct field_t {
  char name[40];
  void* ptr;
  fieldtype_t type;
  int lo, hi;  // allowed range of an int field
  bool grid;   // the flag grid: printed only through a prefix
};

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
