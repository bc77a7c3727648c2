// Joining: the keyboard types an address or a room code into the field; Up and Down pick
// the field, one of the addresses and codes joined last, or a public room of the lobby;
// Space or Enter joins the one picked. Pads pick and join (a pad types nothing).
#include "flow/menu_screens.h"

bool join_field_edit(std::string* field, const std::string& typed) {
  const std::string was = *field;
  for (char c : typed) {
    if (c == '\b' && !field->empty()) field->pop_back();
    // blanks confirm or move, and a byte above ASCII is part of a character the font lacks
    if (c <= ' ' || c > '~') continue;
    if (field->size() < JOIN_FIELD_LONGEST) *field += c;
  }
  return *field != was;
}

void menu_join_keys() {
  if (menus.opened) menus.field.clear();
  const int recent = static_cast<int>(menus.recent.size());
  const int rows = 1 + recent + static_cast<int>(menus.lobby.size());
  if (join_field_edit(&menus.field, menus.typed)) {
    menus.picked = menus.first = 0;  // typing is for the field
    menus.note.clear();
  }
  if (menu_move_pick(rows)) menus.note.clear();
  if (!menu_confirmed()) return;
  if (menus.picked >= rows) return;  // a public room that went meanwhile
  const std::string& picked = menus.picked == 0        ? menus.field
                              : menus.picked <= recent ? menus.recent[menus.picked - 1]
                                                       : menus.lobby[menus.picked - 1 - recent];
  if (!picked.empty()) menus.join = picked;
}
