// The whole game state: plain records in fixed-size globals.
// Every subsystem reads and writes these in place by name; nothing here
// owns them and nothing is allocated while the game runs.
#pragma once

#include <cstdint>

#include "state/described_screens.h"

// Facing codes, shared by players and shot records.
constexpr int hore = 0;      // up, +y
constexpr int doprava = 90;  // right, +x
constexpr int dole = 180;    // down, -y
constexpr int dolava = 270;  // left, -x

constexpr int PLAYER_RECORDS = 3;  // record 0 exists but never plays
constexpr int SHOT_RECORDS = 25;
constexpr int SUB_ARROWS = 3;
constexpr int SLOTS = 6;
constexpr int HAND_ARROWS = 5;
constexpr int SLOT_ARROWS = 6;
constexpr int GROUND_BOWS = 12;
constexpr int BUILD_RECORDS = 50;
constexpr int NCP_RECORDS = 10;
constexpr int NCP_ARROWS = 5;
constexpr int N = 52;  // texture slots
constexpr int FLAG_SIZE = 45;
constexpr int KEY_CODES = 256;

struct Splayer {
  struct Swepon {
    struct Snaboj {
      bool have;
    };
    int id;
    Snaboj naboj[HAND_ARROWS];
  };
  struct Snaboj {
    float x[SUB_ARROWS];
    float y[SUB_ARROWS];
    float z[SUB_ARROWS];
    int alpha;
    bool fly[SUB_ARROWS];
  };
  struct Sin {
    struct Snaboj {
      bool have;
    };
    int id;
    bool have;
    Snaboj naboj[SLOT_ARROWS];
  };
  struct Sshow {
    int id;
  };

  const char* name;
  int mapa;
  float x, y, z;
  int alpha;
  bool play;
  bool live;
  int kill;
  int death;
  int sumary;
  int color;
  Swepon wepon;
  Snaboj naboj[SHOT_RECORDS];
  Sin in[SLOTS];
  Sshow show;
};

struct SNPC {
  struct Snaboj {
    float x, y, z;
    int alpha;
    bool fly;
  };
  const char* name;
  int mapa;
  float x, y, z;
  int wepon;
  Snaboj naboj[NCP_ARROWS];
  bool live;
};

struct Sg_wepon {
  const char* name;
  float x, y, z;
  int id;
  bool ly;
};

struct Sbuild {
  int mask;
  int x, y, z;
  int x2, y2;
};

struct Stimer {
  float time;
  float hranica;
  bool start;
  bool end;
};

// One latch per key the game reads, in the order the game has always kept.
struct Skey {
  bool b, w, e, r, a, s, d, i, m, esc, space, l, k, j, o, q, c, n, h, f, up, down, left, right,
      enter, _1, _2, _3, _4, _5, _6, _7, _8, _9, _0;
};

struct Swindow {
  int X;
  int Y;
  int BIT;
};

// Records and tables.
extern Splayer player[PLAYER_RECORDS];
extern SNPC NCP[NCP_RECORDS];
extern int NCP_Max;
extern Sg_wepon g_wepon[GROUND_BOWS];
extern Sbuild build[BUILD_RECORDS];
extern int Build_Max;
extern Stimer timer;
extern Skey key;
extern Skey keep;
extern bool keys[KEY_CODES];
extern Swindow Window;

// GL objects and drawing state (plain numbers here, so the logic needs no GL).
extern std::uint32_t texture[N];
extern std::uint32_t base;
extern float points[FLAG_SIZE][FLAG_SIZE][3];
extern int wiggle_count;
extern float hold;
extern float LightAmbient[4];
extern float LightDiffuse[4];
extern float LightPosition[4];

// Pacing and match constants.
extern float r_p;
extern float p_krok;
extern int T_end;

// Which screens are open: one bit each, at its row in the screen table
// (described_screens.h), so the lowest bit set is the screen up.
extern std::uint8_t screens_open;

// A screen's flag under its own name (`Help`, `Menu`, ...): reads and writes its bit of
// screens_open, as a bool would.
template <Screen Bit>
struct ScreenFlag {
  static constexpr std::uint8_t mask = std::uint8_t(1u << Bit);
  operator bool() const { return screens_open & mask; }
  ScreenFlag& operator=(bool open) {
    screens_open = open ? screens_open | mask : screens_open & ~mask;
    return *this;
  }
  ScreenFlag& operator=(const ScreenFlag& other) { return *this = bool(other); }
};
static_assert(SCREEN_PLAY <= 8, "one bit a screen in screens_open");
#define SCREEN_FLAG(id, file, flag, escape, players_keys) inline ScreenFlag<id> flag;
DESCRIBED_SCREENS(SCREEN_FLAG)
#undef SCREEN_FLAG

// Requests and highlights. (The window's and the loop's marks are in loop_marks.h.)
extern bool start;
extern bool QNew, QNastavenia, QExit;
extern bool QReturn, QEnd;
extern bool New;
extern bool Return;
extern bool Exit;
extern bool move;
extern bool Q_1, Q_2, Q_3;
extern bool NCPfind, Buildfind;
