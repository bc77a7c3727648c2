// The credits screen: who made the game and with what.
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

void credits_draw() {
  Info_list();
}
