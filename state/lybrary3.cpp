// The one place the game's globals are defined, with their start-up values.
#include "state/lybrary3.h"

#include "state/speed_levels.h"

Splayer player[PLAYER_RECORDS];
SNPC NCP[NCP_RECORDS];
int NCP_Max = 0;
Sg_wepon g_wepon[GROUND_BOWS];
Sbuild build[BUILD_RECORDS];
int Build_Max = 0;
Stimer timer;
Skey key;
Skey keep;
bool keys[KEY_CODES];
Swindow Window;

std::uint32_t texture[N];
std::uint32_t base = 0;
float points[FLAG_SIZE][FLAG_SIZE][3];
int wiggle_count = 0;
float hold = 0;
float LightAmbient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
float LightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
float LightPosition[4] = {0.0f, 0.0f, 10.0f, 1.0f};

float r_p = speed_level_row(1).step_size;
float p_krok = r_p * 0.1f;
int T_end = 5000;

bool start = true;
std::uint8_t screens_open = 0;  // none: the start request opens the main menu
bool QNew = false, QNastavenia = false, QExit = false;
bool QReturn = false, QEnd = false;
bool New = false;
bool Return = false;
bool Exit = false;
bool move = false;
bool Q_1 = false, Q_2 = false, Q_3 = false;
bool NCPfind = false, Buildfind = false;
