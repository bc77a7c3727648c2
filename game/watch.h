// Watching a recording in the window: korvalen --watch FILE.
#pragma once

#include <string>

#include "game/command_line.h"
#include "state/snapshot.h"

// Plays the recording line.watch in the window from its start, at its recorded pace and with
// its sounds. Space pauses, Right and Left jump 10 seconds, + and - double and halve the pace,
// Esc ends. Returns the exit code: 0, 1 when the window cannot open, 2 (after one line on
// standard error) when the file is not a recording this version can run.
int watch_recording(const CommandLine& line, int volume);

// Watches a recording from the main menu, in the open window: from the start-up state given,
// and afterwards the state from before put back. False, with the reason, for a file that is
// not a recording this version can run.
bool watch_from_menu(const std::string& path, const GameSnapshot& start_up, std::string* error);
