// The shipped arenas. Each sector's walls are in its own file beside "s_1.txt"; this table
// holds what the game says about them.
#include "world/arenas.h"

#include "state/language.h"

namespace {

constexpr ArenaInfo SHIPPED[] = {
    {1, tr_later("Povodna arena"), tr_later("Stlp v strede, styri steny a dva bloky")},
    {2, tr_later("Luka"), tr_later("Otvorene pole s niekolkymi stlpmi")},
    {3, tr_later("Hadia cesta"), tr_later("Uzke chodby tam a spat cez cele pole")},
    {4, tr_later("Stlpy"), tr_later("Dvanast stlpov v pravidelnej mriezke")},
    {5, tr_later("Pevnost"), tr_later("Hradby v rohu hraca 2 proti otvorenemu polu")},
    {6, tr_later("Kriz"), tr_later("Velky kriz deli pole na styri stvrte")},
    {7, tr_later("Dve komory"), tr_later("Stena v strede s dvoma uzkymi dverami")},
    {8, tr_later("Ulicky"), tr_later("Domy a uzke ulicky medzi nimi")},
    {9, tr_later("Zahrada"), tr_later("Zivy plot na zapade, kriky na vychode")},
};
constexpr int SHIPPED_COUNT = sizeof SHIPPED / sizeof SHIPPED[0];

}  // namespace

const ArenaInfo* arenas_shipped(int* count) {
  *count = SHIPPED_COUNT;
  return SHIPPED;
}

const ArenaInfo* arena_info(int sector) {
  for (const ArenaInfo& a : SHIPPED)
    if (a.sector == sector) return &a;
  return nullptr;
}

const char* arena_name(int sector) {
  const ArenaInfo* a = arena_info(sector);
  return a ? a->name : "";
}
