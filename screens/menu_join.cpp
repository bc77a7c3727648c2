// Joining: the field with what is typed (its end, when it is longer than the line), the
// addresses and codes joined last, the lobby's public rooms beside them once the meeting
// servers are set, the row picked highlighted, and why the last try did not start, if it
// did not.
#include <string>

#include "flow/menu_screens.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/language.h"

namespace {

constexpr std::size_t FIELD_SHOWN = 40;  // characters of the field on its line

}  // namespace

void menu_join_draw() {
  text_screen_begin();
  yellow();
  glPrint(230, 30, 0, tr("Pripojit sa"));
  white();
  glPrint(40, 80, 0, tr("Adresa alebo kod miestnosti:"));
  std::string shown = menus.field.size() > FIELD_SHOWN
                          ? "<" + menus.field.substr(menus.field.size() - FIELD_SHOWN + 1)
                          : menus.field;
  if (menus.picked == 0) {
    cyan();
    shown += "_";
  } else {
    green();
  }
  glPrint(60, 110, 0, ("> " + shown).c_str());
  if (!menus.recent.empty()) {
    white();
    glPrint(40, 150, 0, tr("Naposledy:"));
  }
  // the recent file keeps at most ten: all fit
  for (int row = 0; row < static_cast<int>(menus.recent.size()) && row < 10; row++) {
    if (row + 1 == menus.picked)
      cyan();
    else
      green();
    std::string entry = menus.recent[row].substr(0, menus.server_set ? 24 : 50);
    glPrint(60, 175 + 20 * row, 0, entry.c_str());
  }
  if (menus.server_set) {
    white();
    glPrint(340, 150, 0, tr("Verejne miestnosti:"));
    const int recent = static_cast<int>(menus.recent.size());
    for (int room = 0; room < static_cast<int>(menus.lobby.size()) && room < 9; room++) {
      if (1 + recent + room == menus.picked)
        cyan();
      else
        green();
      std::string line = menus.lobby[room] + " " + menus.lobby_names[room].substr(0, 20);
      glPrint(350, 175 + 20 * room, 0, line.c_str());
    }
    if (menus.lobby.empty()) {
      green();
      glPrint(350, 175, 0,
              menus.lobby_note.empty() ? tr("ziadne") : menus.lobby_note.substr(0, 28).c_str());
    }
  }
  if (!menus.note.empty()) {
    red();
    glPrint(20, 380, 0, menus.note.substr(0, 62).c_str());
  }
  white();
  glPrint(20, 410, 0, tr("Pis adresu (192.168.1.5) alebo kod (K7QF2M)"));
  glPrint(20, 435, 0, tr("Sipky vyber, Medzernik pripoj, Esc spat"));
}
