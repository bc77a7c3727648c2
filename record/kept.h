// Every match kept on its own in $XDG_DATA_HOME/korvalen/recordings (~/.local/share/...),
// named YYYY-MM-DD_HHMMSS_<player 1>-vs-<player 2> by the local time it started and the
// players' colours ("computer" for the computer), the last KEPT_RECORDINGS kept. Only files
// with exactly that name are the game's: it lists and removes nothing else in the folder.
#pragma once

#include <ctime>
#include <string>
#include <vector>

constexpr int KEPT_RECORDINGS = 50;
constexpr int LISTED_RECORDINGS = 200;
// A folder is read this far at most: one filled by something else never stalls the game.
constexpr int READ_FOLDER_ENTRIES = 100000;

// The avatar's colour as a kept recording names its player (1 to 6); "computer" when the
// computer plays him.
const char* kept_player_name(int avatar, bool computer);
// The kept name for a match started at start (local time) between these players.
std::string kept_recording_name(std::time_t start, const std::string& player1,
                                const std::string& player2);
// Whether a file name is one the game gave a kept recording (a second one started in the
// same second by another game ends in _2 to _9).
bool is_kept_recording_name(const std::string& name);

// The folder; empty without XDG_DATA_HOME and HOME.
std::string kept_recordings_folder();

struct KeptRecording {
  std::string name;
  long long bytes;
};
// The kept recordings in folder, newest first, at most most of them: regular files of the
// game's names only (never a link, a pipe or a folder, which are not opened at all).
std::vector<KeptRecording> list_kept_recordings(const std::string& folder,
                                                int most = LISTED_RECORDINGS);
// Removes the oldest kept recordings until keep are left; returns how many went.
int prune_kept_recordings(const std::string& folder, int keep = KEPT_RECORDINGS);

// The arena a kept recording was played on, from its match start: its name as recorded
// (untranslated), else its shipped sector's; "" when the file is not a recording this game
// can read. Reads the file's first few kilobytes only, and opens nothing but a regular file.
std::string kept_recording_arena(const std::string& path);

// A match being kept: written to a hidden file in the folder, put under its name once whole.
// Opens the recording (record_open) on a new hidden file; empty when it did, else why not.
std::string kept_recording_begin(const std::string& folder, std::string* hidden);
// Ends the recording (record_finish) and puts it under its name, free in the folder, then
// prunes the oldest; a recording a write cut short is removed. Empty, or why not.
std::string kept_recording_end(const std::string& folder, const std::string& hidden,
                               const std::string& name);
