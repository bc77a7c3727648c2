// The game's own menus beyond the described screens: the computer's level, the options, the
// kept matches. They stack above the described screens, outside the game's state, as the
// controls screen does: no step runs while one is up, so the dump, recordings and online play
// never see them. A main menu letter (state/game_keys.h) opens one; Esc closes the one up.
//
// A menu is its keys here (flow/menu_NAME.cpp), its picture in screens/menu_NAME.cpp, and
// one row in the table of game/menu_screens.cpp. What a menu asks of the game (a match
// against the computer, a recording watched, a setting changed) it writes into the record
// below; the game does it between pictures.
#pragma once

#include <string>
#include <vector>

#include "flow/arena_list.h"
#include "state/game_keys.h"

constexpr int MENU_DEPTH = 4;
constexpr int MENU_LIST_SHOWN = 10;  // rows of a list shown at once

// How the host menu hosts: on this machine's addresses, or in a room on the meeting servers,
// listed in their lobby or not.
enum HostWay { HOST_NONE, HOST_LAN, HOST_ROOM_PUBLIC, HOST_ROOM_PRIVATE, HOST_WAYS };

// The join menu's typed address or room code: the longest a recent entry may be.
constexpr std::size_t JOIN_FIELD_LONGEST = 300;

// The options a player changes on the options menu, as they are now.
struct Options {
  int volume = 100;  // 0 to 100
  bool muted = false;
  std::string language = "sk";  // "sk" or "en"
  bool fullscreen = true;
  int speed = 1;           // 1 to 3
  int computer_level = 2;  // 1 to 3
};
enum OptionRow {
  OPTION_VOLUME,
  OPTION_MUTED,
  OPTION_LANGUAGE,
  OPTION_FULLSCREEN,
  OPTION_SPEED,
  OPTION_COMPUTER,
  OPTION_CONTROLS,
  OPTION_ROWS
};

struct MenuScreens {
  GameKey stack[MENU_DEPTH];  // the menus open, the one up last
  int depth;
  bool opened;  // the menu up opened at the picture before: its keys are read a first time
  int picked;   // the row picked on the menu up
  int first;    // the first row of a long list shown
  bool keyboard[KEY_CODES];         // the keys held at this picture, the pads' with them
  bool seen[KEY_CODES];             // and at the one before
  bool offered[GAME_KEYS];          // the menus this game has (a browser keeps no recordings)
  Options options;                  // what the options menu shows and changes
  std::vector<std::string> listed;  // the kept matches, newest first
  std::vector<std::string> listed_arenas;  // and the arena each was played on
  std::vector<ArenaEntry> arenas;          // the arena list's entries, below its "any arena" row
  bool server_set;                       // the meeting servers are known: internet play is offered
  std::string field;                     // what the join menu's field holds
  std::string typed;                     // what the keyboard typed since the last picture, '\b'
                                         // for Backspace
  std::vector<std::string> recent;       // the addresses and codes joined last, newest first
  std::vector<std::string> lobby;        // the public rooms' codes on the meeting servers
  std::vector<std::string> lobby_names;  // and their names
  std::string lobby_note;                // why the lobby cannot be read, "" while it can
  std::string note;  // why the menu up could not do what was asked, "" if it did
  // what the game is asked to do after this picture's keys
  int start_computer;  // 1 to 3: a match against the computer at that level
  int watch;           // >= 0: the kept match listed there
  bool open_controls;  // the controls screen
  bool keeps_escape;   // the menu up reads Esc itself (a name being typed): it does not close
  int choose_arena;    // >= 0: the arena list's row picked (0 "any arena", then arenas[row - 1])
  HostWay host;        // hosting this way
  std::string join;    // joining this address or room code
};
extern MenuScreens menus;

// The menu up, GAME_KEYS when none is.
GameKey menu_up();
void menu_open(GameKey menu);
void menu_close();
// A key that went down since the last picture.
bool menu_pressed(int code);
// Up and Down move the pick over rows rows, a list scrolled to keep it shown; true when it
// moved.
bool menu_move_pick(int rows);
// Space or Enter.
bool menu_confirmed();
// Left (-1), Right (+1) or neither (0), a pad's too.
int menu_left_right();

// The join menu's field after typed text, in which '\b' is Backspace: printable ASCII
// without blanks, at most JOIN_FIELD_LONGEST; anything else typed is left out whole (a
// character of several UTF-8 bytes too). True when the field changed.
bool join_field_edit(std::string* field, const std::string& typed);
