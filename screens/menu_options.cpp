// The options: each row's name and value, the picked row highlighted, and the keys.
#include <string>

#include "flow/menu_screens.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"

void menu_options_draw() {
  const Options& o = menus.options;
  static const char* const names[OPTION_ROWS] = {
      "Hlasitost", "Zvuk (F8)", "Jazyk", "Zobrazenie", "Rychlost", "Uroven pocitaca", "Ovladanie"};
  std::string values[OPTION_ROWS] = {
      std::to_string(o.volume),
      tr(o.muted ? "vypnuty" : "zapnuty"),
      o.language == "en" ? "English" : "Slovensky",
      tr(o.fullscreen ? "cela obrazovka" : "okno"),
      std::to_string(o.speed),
      std::to_string(o.computer_level),
      "...",
  };
  text_screen_begin();
  yellow();
  glPrint(250, 30, 0, tr("Volby"));
  for (int row = 0; row < OPTION_ROWS; row++) {
    float y = 90 + 35 * row;
    white();
    glPrint(60, y, 0, tr(names[row]));
    if (row == menus.picked)
      cyan();
    else
      green();
    glPrint(330, y, 0, (row == menus.picked ? "< " + values[row] + " >" : values[row]).c_str());
  }
  white();
  glPrint(20, 400, 0, tr("Sipky vyber a zmen, Esc spat"));
}
