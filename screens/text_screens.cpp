// The three text-only screens: the description, the credits and the speed
// setting. Each shows "Esc" in the corner as the way back.
#include <GL/gl.h>

#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"
#include "state/lybrary3.h"

// The compiler that built this copy of the game, as it names itself.
#define KORVALEN_STR2(x) #x
#define KORVALEN_STR(x) KORVALEN_STR2(x)
#if defined(__clang__)
#define KORVALEN_COMPILER                                                                    \
  "Clang " KORVALEN_STR(__clang_major__) "." KORVALEN_STR(__clang_minor__) "." KORVALEN_STR( \
      __clang_patchlevel__)
#elif defined(__GNUC__)
#define KORVALEN_COMPILER                                                          \
  "GCC " KORVALEN_STR(__GNUC__) "." KORVALEN_STR(__GNUC_MINOR__) "." KORVALEN_STR( \
      __GNUC_PATCHLEVEL__)
#elif defined(_MSC_VER)
#define KORVALEN_COMPILER "MSVC " KORVALEN_STR(_MSC_FULL_VER)
#else
#define KORVALEN_COMPILER "C++ compiler"
#endif

void text_screen_begin() {
  text_layer_begin();
  red();
  glPrint(10, 10, 0, "Esc");
}

// Draws the description of the game and how the rating works.
void Help_list() {
  text_screen_begin();
  yellow();
  glPrint(100, 30, 0, tr("Popis hry"));
  green();
  glPrint(210, 30, 0, "Korvalen");
  white();
  glPrint(10, 60, 0, tr("Je to hra pre dvoch hracov."));
  glPrint(10, 90, 0, tr("Po zacati bitky mas za ulohu porazit nepriatela."));
  glPrint(10, 120, 0, tr("To znamena mat lepsie hodnotenie od velenia. "));
  cyan();
  glPrint(10, 150, 0, tr("Princip hodnotenia: "));
  yellow();
  glPrint(10, 180, 0, tr("Tvoje hodnotenie = kolko zasiahnes - kolko si bol zasiahnuty"));
  white();
  glPrint(10, 210, 0, tr("Zbieraj lepsie luky, ale davaj si pozor na sipy."));
  glPrint(10, 240, 0, tr("Pre istotu ta vyzbrojili mecom."));
  glPrint(10, 270, 0, tr(" Nim mozes zasiahnut protivnika len z tesnej blizkosti."));
  glPrint(10, 300, 0, tr("Mas na to 500 casovych jednotiek."));
  text_layer_end();
}

// One credits row: label on the left in white, value on the right in cyan.
static void credit(float y, const char* label, const char* value) {
  white();
  glPrint(40, y, 0, tr(label));
  cyan();
  glPrint(350, y, 0, value);
}

// Draws who made the game and with what.
void Info_list() {
  text_screen_begin();
  green();
  glPrint(200, 30, 0, "Korvalen");
  credit(60, "Programator: ", "Orvek");
  credit(90, "Programovaci jazyk: ", "C++");
  credit(120, "Graficka kniznica: ", "OpenGl");
  credit(150, "Programovacie prostredie: ", KORVALEN_COMPILER);
  credit(180, "Skype: ", "dervan.kolimsk");
  text_layer_end();
}

// One speed level, lila when it is the current one.
static void speed_level(float y, bool current, const char* name) {
  if (current)
    lila();
  else
    white();
  glPrint(250, y, 0, tr(name));
}

// Draws the speed screen with the current level marked.
void Nastavenia_list() {
  text_screen_begin();
  cyan();
  glPrint(250, 10, 0, tr("Nastavenia"));
  white();
  glPrint(50, 70, 0, tr("Ak sa ti zda hra pomala, treba zmenit stupen rychlosti."));
  glPrint(50, 100, 0, tr("Stlac cislo stupna. Potom sa vrat do hry."));
  glPrint(50, 130, 0, tr("Oznaceny je aktualny stupen rychlosti."));
  speed_level(160, Q_1, "stupen 1");
  speed_level(190, Q_2, "stupen 2");
  speed_level(220, Q_3, "stupen 3");
  text_layer_end();
}
