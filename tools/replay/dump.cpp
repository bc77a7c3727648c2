// The field table of the replay: every printable field of the game state with
// its name, place and type, in the order the dump prints them.
#include "tools/replay/dump.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/lybrary3.h"

static std::vector<field_t> fields;
static std::unordered_map<std::string, int> byname;

// Appends one field under a printf-made name.
static void AddField(void* ptr, fieldtype_t type, int lo, int hi, bool grid, const char* fmt, ...) {
  field_t f;
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(f.name, sizeof(f.name), fmt, ap);
  va_end(ap);
  f.ptr = ptr;
  f.type = type;
  f.lo = lo;
  f.hi = hi;
  f.grid = grid;
  byname[f.name] = (int)fields.size();
  fields.push_back(f);
}

static void AddBool(bool* p, const char* name) {
  AddField(p, FT_BOOL, 0, 1, false, "%s", name);
}
static void AddInt(int* p, const char* name) {
  AddField(p, FT_INT, INT_MIN, INT_MAX, false, "%s", name);
}
static void AddFloat(float* p, const char* name) {
  AddField(p, FT_FLOAT, 0, 0, false, "%s", name);
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
  for (int i = 0; i < 35; i++) AddField(b[i], FT_BOOL, 0, 1, false, "%s.%s", rec, names[i]);
}

// One player record: position, counters, hand, shots, slots and selection.
static void AddPlayer(int i) {
  Splayer* p = &player[i];
  AddField(&p->mapa, FT_INT, INT_MIN, INT_MAX, false, "player[%d].mapa", i);
  AddField(&p->x, FT_FLOAT, 0, 0, false, "player[%d].x", i);
  AddField(&p->y, FT_FLOAT, 0, 0, false, "player[%d].y", i);
  AddField(&p->z, FT_FLOAT, 0, 0, false, "player[%d].z", i);
  AddField(&p->alpha, FT_INT, INT_MIN, INT_MAX, false, "player[%d].alpha", i);
  AddField(&p->play, FT_BOOL, 0, 1, false, "player[%d].play", i);
  AddField(&p->live, FT_BOOL, 0, 1, false, "player[%d].live", i);
  AddField(&p->kill, FT_INT, INT_MIN, INT_MAX, false, "player[%d].kill", i);
  AddField(&p->death, FT_INT, INT_MIN, INT_MAX, false, "player[%d].death", i);
  AddField(&p->sumary, FT_INT, INT_MIN, INT_MAX, false, "player[%d].sumary", i);
  AddField(&p->color, FT_INT, INT_MIN, INT_MAX, false, "player[%d].color", i);
  AddField(&p->wepon.id, FT_INT, INT_MIN, INT_MAX, false, "player[%d].wepon.id", i);
  for (int a = 0; a < HAND_ARROWS; a++)
    AddField(&p->wepon.naboj[a].have, FT_BOOL, 0, 1, false, "player[%d].wepon.naboj[%d].have", i,
             a);
  for (int r = 0; r < SHOT_RECORDS; r++) {
    Splayer::Snaboj* n = &p->naboj[r];
    for (int b = 0; b < SUB_ARROWS; b++)
      AddField(&n->x[b], FT_FLOAT, 0, 0, false, "player[%d].naboj[%d].x[%d]", i, r, b);
    for (int b = 0; b < SUB_ARROWS; b++)
      AddField(&n->y[b], FT_FLOAT, 0, 0, false, "player[%d].naboj[%d].y[%d]", i, r, b);
    for (int b = 0; b < SUB_ARROWS; b++)
      AddField(&n->z[b], FT_FLOAT, 0, 0, false, "player[%d].naboj[%d].z[%d]", i, r, b);
    AddField(&n->alpha, FT_INT, INT_MIN, INT_MAX, false, "player[%d].naboj[%d].alpha", i, r);
    for (int b = 0; b < SUB_ARROWS; b++)
      AddField(&n->fly[b], FT_BOOL, 0, 1, false, "player[%d].naboj[%d].fly[%d]", i, r, b);
  }
  for (int s = 0; s < SLOTS; s++) {
    Splayer::Sin* in = &p->in[s];
    AddField(&in->id, FT_INT, INT_MIN, INT_MAX, false, "player[%d].in[%d].id", i, s);
    AddField(&in->have, FT_BOOL, 0, 1, false, "player[%d].in[%d].have", i, s);
    for (int a = 0; a < SLOT_ARROWS; a++)
      AddField(&in->naboj[a].have, FT_BOOL, 0, 1, false, "player[%d].in[%d].naboj[%d].have", i, s,
               a);
  }
  // the selection only ever holds -1 (sword) or a slot number
  AddField(&p->show.id, FT_INT, -1, SLOTS - 1, false, "player[%d].show.id", i);
}

// Fills the table with every field in dump order.
void Dump_Init() {
  fields.clear();
  byname.clear();
  AddBool(&done, "done");

  AddBool(&active, "active");
  AddBool(&start, "start");
  AddBool(&Start_Menu, "Start_Menu");
  AddBool(&Menu, "Menu");
  AddBool(&Help, "Help");
  AddBool(&Info, "Info");
  AddBool(&Nastavenia, "Nastavenia");
  AddBool(&New_Nastavenia, "New_Nastavenia");
  AddBool(&End, "End");
  AddBool(&QNew, "QNew");
  AddBool(&QNastavenia, "QNastavenia");
  AddBool(&QExit, "QExit");
  AddBool(&QReturn, "QReturn");
  AddBool(&QEnd, "QEnd");
  AddBool(&New, "New");
  AddBool(&Return, "Return");
  AddBool(&Exit, "Exit");
  AddBool(&move, "move");
  AddBool(&Q_1, "Q_1");
  AddBool(&Q_2, "Q_2");
  AddBool(&Q_3, "Q_3");
  AddBool(&NCPfind, "NCPfind");
  AddBool(&Buildfind, "Buildfind");

  AddFloat(&r_p, "r_p");
  AddFloat(&p_krok, "p_krok");
  AddInt(&T_end, "T_end");
  // the tables hold only so many records
  AddField(&Build_Max, FT_INT, 0, BUILD_RECORDS, false, "Build_Max");
  AddField(&NCP_Max, FT_INT, 0, NCP_RECORDS, false, "NCP_Max");

  AddFloat(&timer.time, "timer.time");
  AddFloat(&timer.hranica, "timer.hranica");

  AddKeys(&key, "key");
  AddKeys(&keep, "keep");

  for (int i = 0; i < PLAYER_RECORDS; i++) AddPlayer(i);

  for (int k = 0; k < GROUND_BOWS; k++) {
    AddField(&g_wepon[k].x, FT_FLOAT, 0, 0, false, "g_wepon[%d].x", k);
    AddField(&g_wepon[k].y, FT_FLOAT, 0, 0, false, "g_wepon[%d].y", k);
    AddField(&g_wepon[k].z, FT_FLOAT, 0, 0, false, "g_wepon[%d].z", k);
    AddField(&g_wepon[k].id, FT_INT, INT_MIN, INT_MAX, false, "g_wepon[%d].id", k);
    AddField(&g_wepon[k].ly, FT_BOOL, 0, 1, false, "g_wepon[%d].ly", k);
  }

  for (int b = 0; b < BUILD_RECORDS; b++) {
    AddField(&build[b].mask, FT_INT, INT_MIN, INT_MAX, false, "build[%d].mask", b);
    AddField(&build[b].x, FT_INT, INT_MIN, INT_MAX, false, "build[%d].x", b);
    AddField(&build[b].y, FT_INT, INT_MIN, INT_MAX, false, "build[%d].y", b);
    AddField(&build[b].z, FT_INT, INT_MIN, INT_MAX, false, "build[%d].z", b);
    AddField(&build[b].x2, FT_INT, INT_MIN, INT_MAX, false, "build[%d].x2", b);
    AddField(&build[b].y2, FT_INT, INT_MIN, INT_MAX, false, "build[%d].y2", b);
  }

  for (int c = 0; c < NCP_RECORDS; c++) {
    AddField(&NCP[c].x, FT_FLOAT, 0, 0, false, "NCP[%d].x", c);
    AddField(&NCP[c].y, FT_FLOAT, 0, 0, false, "NCP[%d].y", c);
    AddField(&NCP[c].z, FT_FLOAT, 0, 0, false, "NCP[%d].z", c);
    AddField(&NCP[c].live, FT_BOOL, 0, 1, false, "NCP[%d].live", c);
  }

  for (int i = 0; i < FLAG_SIZE; i++)
    for (int j = 0; j < FLAG_SIZE; j++)
      for (int k = 0; k < 3; k++)
        AddField(&points[i][j][k], FT_FLOAT, 0, 0, true, "points[%d][%d][%d]", i, j, k);
}

int Dump_NumFields() {
  return (int)fields.size();
}

const field_t* Dump_Field(int i) {
  return &fields[i];
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
    case FT_BOOL:
      std::fprintf(out, "%s %d\n", f->name, *(bool*)f->ptr ? 1 : 0);
      break;
    case FT_INT:
      std::fprintf(out, "%s %d\n", f->name, *(int*)f->ptr);
      break;
    case FT_FLOAT:
      std::fprintf(out, "%s %.9g\n", f->name, (double)*(float*)f->ptr);
      break;
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
      *(bool*)f->ptr = text[0] == '1';
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
