// The arena editor: the field from above on the game's grid, a cursor that places, resizes
// and removes walls, and the arena saved under a name, opened again or tried against the
// computer. It is one of the game's own menus (flow/menu_screens.h): its keys in
// flow/menu_editor.cpp, its picture in screens/menu_editor.cpp.
#pragma once

#include <string>
#include <vector>

#include "flow/own_arenas.h"

enum EditorMode {
  EDITOR_WALLS,          // the cursor moves, and places or takes walls
  EDITOR_SIZE,           // the arrows change the cursor's width and depth
  EDITOR_NAMING,         // a name is typed to save under
  EDITOR_ASK_OVERWRITE,  // the name is taken: Enter saves over it, Esc does not
  EDITOR_OPENING,        // the player's arenas listed, one to open picked
};

struct Editor {
  std::vector<Wall> walls;
  Wall cursor{0, 0, 1, 1};
  EditorMode mode = EDITOR_WALLS;
  std::string name;     // the arena's name, as saved or opened
  std::string typed;    // the name being typed
  std::string message;  // what the last action said (a refusal in red)
  bool message_bad = false;
  bool changed = false;     // walls changed since the last save
  OwnArenaListing listing;  // the player's arenas, read a few each picture while listed
  int picked = 0;           // the row picked on the list
  int first = 0;            // the first row shown
  // what the game is asked to do after this picture's keys
  bool test_play = false;
};
extern Editor editor;

// The wall (its index) that covers the cell (x, y); -1 for none.
int editor_wall_at(int x, int y);
// Places the cursor as a wall; false (with the reason in the message) when it cannot be.
bool editor_place();
// Takes away the wall under the cursor's corner; the cursor takes its place and size, so it
// can be put back larger or elsewhere.
bool editor_take();
// The arena checks; empty when the walls make a playable arena, else the refusal.
std::string editor_check();
// Saves under editor.typed; on a taken name asks first.
void editor_save(bool overwrite);
// Lists the player's arenas to open one; they are read a piece at each picture.
void editor_list_own();
// Opens the one listed at row; false (with why) for one that cannot be played.
bool editor_open(int row);
