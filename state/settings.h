// The player's settings that stay between runs: settings.ini under $XDG_CONFIG_HOME/korvalen.
// Reading and editing are plain functions on the file's text; the file itself is read and
// written only by settings_load and settings_store. A hand-written file stays the player's:
// the game changes only the value it saves, in its line, and keeps every other line.
#pragma once

#include <string>
#include <vector>

constexpr int KEY_ACTIONS = 6;  // up, down, left, right, use, change
extern const char* const key_action_names[KEY_ACTIONS];

// One [keys] line: playerP.ACTION = NAME, as an SDL key name, with its line for reports.
struct KeySetting {
  int player;  // 1 or 2
  int action;  // index into key_action_names
  std::string name;
  int line;
};

// What the file sets; a value left at its "unset" mark is not in the file (or was refused).
struct Settings {
  int speed = 0;                 // 1 to 3
  std::string pace;              // "clock" or "frame"
  int fullscreen = -1;           // 1 yes, 0 no
  int change_mode = -1;          // 1 yes, 0 no
  int volume = -1;               // 0 to 100
  int muted = -1;                // 1 yes, 0 no: F8's sound off
  std::string language;          // "sk" or "en"
  int avatar[3] = {0, 0, 0};     // [1], [2]: 1 to 6
  int keep_recordings = -1;      // 1 yes, 0 no: every match kept in the recordings folder
  int computer_level = 0;        // 1 to 3: the level the menu's match against the computer plays
  std::vector<KeySetting> keys;  // in the file's order
  std::string server;            // [online] the meeting servers' URL
  std::string server_ca;         // [online] a CA file for their certificates
  int relay_only = -1;           // [online] 1 yes, 0 no
  std::string arena;             // [match] "any", the arena's number 1 to 99, or own:NAME
};

// Every setting but the keys, one row each: a row is all there is to a setting. It holds the
// setting's id; its section and name in the file; the values it takes (its type, a number's
// range, a choice's words) and what a refused line is told it should have been; its field in
// Settings, where the reader puts it; and how it applies: a function of the game's own layer
// (game/player_settings.cpp), run once as the game starts, in the rows' order, with what the
// file set and the command line, whose option for the setting wins for its run. The reader
// and every writer go by the rows; this layer expands all but the last column, the game that
// one. Adding a setting is a row here, its field, and its function in the game.
// clang-format off
#define SETTINGS(ROW)                                                                             \
  /* id, section and name, type and range, */                                                     \
  /*   words, what a refused line is told, field, how it applies */                               \
  ROW(SETTING_SPEED, "game", "speed", number, 1, 3,                                               \
      SETTING_NO_WORDS, "1, 2 or 3", speed, use_speed)                                            \
  ROW(SETTING_PACE, "game", "pace", choice, 0, 0,                                                 \
      SETTING_WORDS("clock", "frame"), "clock or frame", pace, use_pace)                          \
  ROW(SETTING_FULLSCREEN, "display", "fullscreen", yes_no, 0, 1,                                  \
      SETTING_NO_WORDS, "yes or no", fullscreen, use_fullscreen)                                  \
  ROW(SETTING_CHANGE_MODE, "display", "change_mode", yes_no, 0, 1,                                \
      SETTING_NO_WORDS, "yes or no", change_mode, use_change_mode)                                \
  ROW(SETTING_VOLUME, "sound", "volume", number, 0, 100,                                          \
      SETTING_NO_WORDS, "0 to 100", volume, use_volume)                                           \
  ROW(SETTING_LANGUAGE, "language", "language", choice, 0, 0,                                     \
      SETTING_WORDS("sk", "en"), "sk or en", language, use_language)                              \
  ROW(SETTING_AVATAR1, "players", "avatar1", number, 1, 6,                                        \
      SETTING_NO_WORDS, "1 to 6", avatar[1], use_avatar1)                                         \
  ROW(SETTING_AVATAR2, "players", "avatar2", number, 1, 6,                                        \
      SETTING_NO_WORDS, "1 to 6", avatar[2], use_avatar2)                                         \
  ROW(SETTING_SERVER, "online", "server", text, 0, 0,                                             \
      SETTING_NO_WORDS, "the meeting servers' URL", server, use_server)                           \
  ROW(SETTING_SERVER_CA, "online", "server_ca", text, 0, 0,                                       \
      SETTING_NO_WORDS, "a certificate file", server_ca, use_server_ca)                           \
  ROW(SETTING_RELAY_ONLY, "online", "relay_only", yes_no, 0, 1,                                   \
      SETTING_NO_WORDS, "yes or no", relay_only, use_relay_only)                                  \
  ROW(SETTING_COMPUTER_LEVEL, "computer", "level", number, 1, 3,                                  \
      SETTING_NO_WORDS, "1, 2 or 3", computer_level, use_computer_level)                          \
  ROW(SETTING_KEEP_RECORDINGS, "recordings", "keep", yes_no, 0, 1,                                \
      SETTING_NO_WORDS, "yes or no", keep_recordings, use_keep_recordings)                        \
  ROW(SETTING_MUTED, "sound", "muted", yes_no, 0, 1,                                              \
      SETTING_NO_WORDS, "yes or no", muted, use_muted)                                            \
  ROW(SETTING_ARENA, "match", "arena", number_or_word, 1, 99,                                     \
      SETTING_WORDS("any", "own:"), "any, 1 to 99 or own:NAME", arena, use_arena)
// clang-format on
#define SETTING_NO_WORDS \
  {}
#define SETTING_WORDS(first, second) \
  { first, second }

enum SettingId {
#define SETTING_ID(id, section, name, type, low, high, words, expected, field, use) id,
  SETTINGS(SETTING_ID)
#undef SETTING_ID
      SETTING_COUNT
};

enum class SettingType {
  number,         // a whole number from low to high
  yes_no,         // yes (1) or no (0)
  choice,         // one of two words
  text,           // any value a line holds
  number_or_word  // a whole number from low to high, the first word, or the second (a prefix
                  // ending in ':') before a name of 1 to 40 ASCII letters, digits, - and _;
                  // kept as text
};

struct SettingRow {
  const char* section;
  const char* name;
  SettingType type;
  int low, high;                    // a number's range
  const char* words[2];             // a choice's words
  const char* expected;             // what a refused line is told it should have been
  int* (*number)(Settings&);        // where a number or yes/no goes
  std::string* (*word)(Settings&);  // where a choice goes
};

extern const SettingRow SETTING_ROWS[SETTING_COUNT];

// Reads a settings file's text. Lines it cannot use go to *problems as "FILE:LINE: why".
void settings_read_text(const std::string& text, const std::string& file, Settings* settings,
                        std::vector<std::string>* problems);

// The text with section.name set to value: the last line that sets it is changed in place
// (its spacing and a comment after it kept); else a line is added at the end of the section;
// else the section is added at the end. Every other byte is kept, a byte-order mark too. A
// value inih would read otherwise (";", blanks at its ends) is written in double quotes, which
// the reader takes off; a value no line can hold (a line end, a ';' after a blank) leaves the
// text as it is.
std::string settings_edit_text(const std::string& text, const std::string& section,
                               const std::string& name, const std::string& value);

// Where the settings live: $XDG_CONFIG_HOME/korvalen/settings.ini, or ~/.config/... when
// the variable is unset or empty; empty when there is no home folder either.
std::string settings_path();

// Reads the file (a missing file is no settings); reports its bad lines on stderr, and a
// file it cannot read whole (over 1 MiB, unreadable) in one line, as no settings.
Settings settings_load();
// The bad lines the last settings_load found ("FILE:LINE: why"), and a file it could not read.
const std::vector<std::string>& settings_load_problems();

// Saves one setting at once, safely: a temporary file in the same folder, flushed, then
// renamed over the old one, which is kept as settings.ini.bak; a link is written through.
// Games save one at a time (a lock beside the file, settings.ini.lock), each reading the file
// afresh, and the file is there at every moment. Nothing is written when the value is already
// there. On failure (a file it could not read whole, another game saving for two seconds, a
// path longer than the system allows): one line on stderr, nothing changed, false.
bool settings_store(const std::string& section, const std::string& name, const std::string& value);
// The same for a setting of the table, under its own section and name.
bool settings_store(SettingId id, const std::string& value);

// How many times settings_store has changed the file since the start: a browser copies the
// settings folder to its storage when this moves.
int settings_changes();
