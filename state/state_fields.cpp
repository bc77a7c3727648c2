// The field table of the game state: every printable field with its name, place and
// type, in the order the replay's dump prints them.
#include "state/state_fields.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "state/game_random.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"

static std::vector<field_t> fields;
static std::unordered_map<std::string, int> byname;

// Appends one field under a printf-made name.
static void AddFieldV(void* ptr, fieldtype_t type, int lo, int hi, const char* fmt, va_list ap) {
  field_t f;
  std::vsnprintf(f.name, sizeof(f.name), fmt, ap);
  f.ptr = ptr;
  f.type = type;
  f.lo = lo;
  f.hi = hi;
  f.grid = false;
  f.window = false;
  f.bit = 0;
  byname[f.name] = (int)fields.size();
  fields.push_back(f);
}

static void AddBool(bool* p, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  AddFieldV(p, FT_BOOL, 0, 1, fmt, ap);
  va_end(ap);
}

bool Field_Bool(const field_t* f) {
  if (f->bit) return *(std::uint8_t*)f->ptr & f->bit;
  return *(bool*)f->ptr;
}

void Field_SetBool(const field_t* f, bool value) {
  std::uint8_t& byte = *(std::uint8_t*)f->ptr;
  if (!f->bit)
    *(bool*)f->ptr = value;
  else
    byte = value ? byte | f->bit : byte & ~f->bit;
}

static void AddInt(int* p, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  AddFieldV(p, FT_INT, INT_MIN, INT_MAX, fmt, ap);
  va_end(ap);
}

static void AddFloat(float* p, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  AddFieldV(p, FT_FLOAT, 0, 0, fmt, ap);
  va_end(ap);
}

// Narrows the int field just added to the values the game itself can give it.
static void LimitLast(int lo, int hi) {
  fields.back().lo = lo;
  fields.back().hi = hi;
}

// The 35 latches of one Skey record, in their declared order.
static void AddKeys(Skey* k, const char* rec) {
  static const char* names[] = {"b",   "w",     "e",  "r",    "a",    "s",     "d",     "i",  "m",
                                "esc", "space", "l",  "k",    "j",    "o",     "q",     "c",  "n",
                                "h",   "f",     "up", "down", "left", "right", "enter", "_1", "_2",
                                "_3",  "_4",    "_5", "_6",   "_7",   "_8",    "_9",    "_0"};
  bool* b[] = {&k->b,   &k->w,     &k->e,  &k->r,    &k->a,    &k->s,     &k->d,     &k->i,  &k->m,
               &k->esc, &k->space, &k->l,  &k->k,    &k->j,    &k->o,     &k->q,     &k->c,  &k->n,
               &k->h,   &k->f,     &k->up, &k->down, &k->left, &k->right, &k->enter, &k->_1, &k->_2,
               &k->_3,  &k->_4,    &k->_5, &k->_6,   &k->_7,   &k->_8,    &k->_9,    &k->_0};
  static_assert(sizeof(names) / sizeof(names[0]) == 35, "Skey has 35 latches");
  static_assert(sizeof(Skey) == 35, "every Skey field is listed");
  for (int i = 0; i < 35; i++) AddBool(b[i], "%s.%s", rec, names[i]);
}

// One player record: position, counters, hand, shots, slots and selection.
static void AddPlayer(int i) {
  Splayer* p = &player[i];
  AddInt(&p->mapa, "player[%d].mapa", i);
  AddFloat(&p->x, "player[%d].x", i);
  AddFloat(&p->y, "player[%d].y", i);
  AddFloat(&p->z, "player[%d].z", i);
  AddInt(&p->alpha, "player[%d].alpha", i);
  AddBool(&p->play, "player[%d].play", i);
  AddBool(&p->live, "player[%d].live", i);
  AddInt(&p->kill, "player[%d].kill", i);
  AddInt(&p->death, "player[%d].death", i);
  AddInt(&p->sumary, "player[%d].sumary", i);
  AddInt(&p->color, "player[%d].color", i);
  AddInt(&p->wepon.id, "player[%d].wepon.id", i);
  for (int a = 0; a < HAND_ARROWS; a++)
    AddBool(&p->wepon.naboj[a].have, "player[%d].wepon.naboj[%d].have", i, a);
  for (int r = 0; r < SHOT_RECORDS; r++) {
    Splayer::Snaboj* n = &p->naboj[r];
    for (int b = 0; b < SUB_ARROWS; b++) AddFloat(&n->x[b], "player[%d].naboj[%d].x[%d]", i, r, b);
    for (int b = 0; b < SUB_ARROWS; b++) AddFloat(&n->y[b], "player[%d].naboj[%d].y[%d]", i, r, b);
    for (int b = 0; b < SUB_ARROWS; b++) AddFloat(&n->z[b], "player[%d].naboj[%d].z[%d]", i, r, b);
    AddInt(&n->alpha, "player[%d].naboj[%d].alpha", i, r);
    for (int b = 0; b < SUB_ARROWS; b++)
      AddBool(&n->fly[b], "player[%d].naboj[%d].fly[%d]", i, r, b);
  }
  for (int s = 0; s < SLOTS; s++) {
    Splayer::Sin* in = &p->in[s];
    AddInt(&in->id, "player[%d].in[%d].id", i, s);
    AddBool(&in->have, "player[%d].in[%d].have", i, s);
    for (int a = 0; a < SLOT_ARROWS; a++)
      AddBool(&in->naboj[a].have, "player[%d].in[%d].naboj[%d].have", i, s, a);
  }
  // the selection only ever holds -1 (sword) or a slot number
  AddInt(&p->show.id, "player[%d].show.id", i);
  LimitLast(-1, SLOTS - 1);
}

// Fills the table with every field in dump order.
void Dump_Init() {
  // the screens' flags are bits of screens_open, dumped and set under their own names
  struct Flag {
    const char* name;
    bool* whole;
    std::uint8_t bit;
  };
  static const Flag flags[] = {
      {"active", &active, 0},
      {"start", &start, 0},
      {"Start_Menu", nullptr, Start_Menu.mask},
      {"Menu", nullptr, Menu.mask},
      {"Help", nullptr, Help.mask},
      {"Info", nullptr, Info.mask},
      {"Nastavenia", nullptr, Nastavenia.mask},
      {"New_Nastavenia", nullptr, New_Nastavenia.mask},
      {"End", nullptr, End.mask},
      {"QNew", &QNew, 0},
      {"QNastavenia", &QNastavenia, 0},
      {"QExit", &QExit, 0},
      {"QReturn", &QReturn, 0},
      {"QEnd", &QEnd, 0},
      {"New", &New, 0},
      {"Return", &Return, 0},
      {"Exit", &Exit, 0},
      {"move", &move, 0},
      {"Q_1", &Q_1, 0},
      {"Q_2", &Q_2, 0},
      {"Q_3", &Q_3, 0},
      {"NCPfind", &NCPfind, 0},
      {"Buildfind", &Buildfind, 0},
  };

  fields.clear();
  byname.clear();
  AddBool(&done, "done");
  fields.back().window = true;
  for (const Flag& flag : flags) {
    AddBool(flag.whole ? flag.whole : reinterpret_cast<bool*>(&screens_open), "%s", flag.name);
    fields.back().bit = flag.bit;
    fields.back().window = flag.whole == &active;
  }

  AddFloat(&r_p, "r_p");
  AddFloat(&p_krok, "p_krok");
  AddInt(&T_end, "T_end");
  // the tables hold only so many records
  AddInt(&Build_Max, "Build_Max");
  LimitLast(0, BUILD_RECORDS);
  AddInt(&NCP_Max, "NCP_Max");
  LimitLast(0, NCP_RECORDS);

  AddFloat(&timer.time, "timer.time");
  AddFloat(&timer.hranica, "timer.hranica");

  AddKeys(&key, "key");
  AddKeys(&keep, "keep");

  for (int i = 0; i < PLAYER_RECORDS; i++) AddPlayer(i);

  for (int k = 0; k < GROUND_BOWS; k++) {
    AddFloat(&g_wepon[k].x, "g_wepon[%d].x", k);
    AddFloat(&g_wepon[k].y, "g_wepon[%d].y", k);
    AddFloat(&g_wepon[k].z, "g_wepon[%d].z", k);
    AddInt(&g_wepon[k].id, "g_wepon[%d].id", k);
    AddBool(&g_wepon[k].ly, "g_wepon[%d].ly", k);
  }

  for (int b = 0; b < BUILD_RECORDS; b++) {
    AddInt(&build[b].mask, "build[%d].mask", b);
    AddInt(&build[b].x, "build[%d].x", b);
    AddInt(&build[b].y, "build[%d].y", b);
    AddInt(&build[b].z, "build[%d].z", b);
    AddInt(&build[b].x2, "build[%d].x2", b);
    AddInt(&build[b].y2, "build[%d].y2", b);
  }

  for (int c = 0; c < NCP_RECORDS; c++) {
    AddFloat(&NCP[c].x, "NCP[%d].x", c);
    AddFloat(&NCP[c].y, "NCP[%d].y", c);
    AddFloat(&NCP[c].z, "NCP[%d].z", c);
    AddBool(&NCP[c].live, "NCP[%d].live", c);
  }

  // the flag grid is printed only when a prefix asks for it
  for (int i = 0; i < FLAG_SIZE; i++)
    for (int j = 0; j < FLAG_SIZE; j++)
      for (int k = 0; k < 3; k++) {
        AddFloat(&points[i][j][k], "points[%d][%d][%d]", i, j, k);
        fields.back().grid = true;
      }
}

// The field named exactly so, or nullptr.
const field_t* Dump_Find(const char* name) {
  auto it = byname.find(name);
  return it == byname.end() ? nullptr : &fields[it->second];
}

// True when some field's name starts with prefix.
bool Dump_PrefixMatches(const char* prefix) {
  size_t len = std::strlen(prefix);
  for (const field_t& f : fields)
    if (!std::strncmp(f.name, prefix, len)) return true;
  return false;
}

// One line: the name and the value as the dump writes it.
static void PrintField(std::FILE* out, const field_t* f) {
  switch (f->type) {
    case FT_BOOL: std::fprintf(out, "%s %d\n", f->name, Field_Bool(f) ? 1 : 0); break;
    case FT_INT: std::fprintf(out, "%s %d\n", f->name, *(int*)f->ptr); break;
    case FT_FLOAT: std::fprintf(out, "%s %.9g\n", f->name, (double)*(float*)f->ptr); break;
  }
}

// True when the field's name starts with one of the prefixes.
static bool Selected(const field_t* f, const char* const* prefixes, int numprefixes) {
  for (int i = 0; i < numprefixes; i++)
    if (!std::strncmp(f->name, prefixes[i], std::strlen(prefixes[i]))) return true;
  return false;
}

// Prints the header and every field (all but the grid when no prefixes are given).
void Dump_Print(std::FILE* out, long long frame, const char* const* prefixes, int numprefixes) {
  std::fprintf(out, "frame %lld\n", frame);
  for (const field_t& f : fields) {
    if (numprefixes == 0 ? f.grid : !Selected(&f, prefixes, numprefixes)) continue;
    PrintField(out, &f);
  }
}

// A decimal int with an optional sign, nothing before or after it.
static bool ParseInt(const char* text, long long* out) {
  const char* p = text;
  if (*p == '+' || *p == '-') p++;
  if (*p < '0' || *p > '9') return false;
  errno = 0;
  char* end;
  long long v = std::strtoll(text, &end, 10);
  if (*end || errno == ERANGE) return false;
  *out = v;
  return true;
}

// A decimal float, inf or nan, rounded to the nearest float; hex forms are not decimal.
static bool ParseFloat(const char* text, float* out) {
  if (!*text || std::strpbrk(text, "xX")) return false;
  if (*text == ' ' || *text == '\t') return false;
  char* end;
  float v = std::strtof(text, &end);
  if (*end) return false;
  *out = v;
  return true;
}

// Parses text as a value of the field and stores it.
bool Dump_Set(const field_t* f, const char* text) {
  long long v;
  float fv;
  switch (f->type) {
    case FT_BOOL:
      if (std::strcmp(text, "0") && std::strcmp(text, "1")) return false;
      Field_SetBool(f, text[0] == '1');
      return true;
    case FT_INT:
      if (!ParseInt(text, &v) || v < f->lo || v > f->hi) return false;
      *(int*)f->ptr = (int)v;
      return true;
    case FT_FLOAT:
      if (!ParseFloat(text, &fv)) return false;
      *(float*)f->ptr = fv;
      return true;
  }
  return false;
}

// Mixes one value into the hash (FNV-1a, a whole value a step).
static inline void HashValue(std::uint64_t* h, std::uint32_t v) {
  *h = (*h ^ v) * 1099511628211ull;
}

// The state hash: each field as its value (a bool as 0 or 1, a number by its bits), then
// the generator.
std::uint64_t State_Hash() {
  std::uint64_t h = 14695981039346656037ull;
  for (const field_t& f : fields) {
    if (f.grid || f.window) continue;
    std::uint32_t v;
    if (f.type == FT_BOOL)
      v = Field_Bool(&f) ? 1 : 0;
    else
      std::memcpy(&v, f.ptr, sizeof v);
    HashValue(&h, v);
  }
  for (std::uint32_t word : game_random.table) HashValue(&h, word);
  HashValue(&h, (std::uint32_t)game_random.front);
  HashValue(&h, (std::uint32_t)game_random.rear);
  return h;
}
