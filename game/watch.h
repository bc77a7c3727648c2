// Watching a recording in the window: korvalen --watch FILE.
#pragma once

#include "game/command_line.h"

// Plays the recording line.watch in the window from its start, at its recorded pace and with
// its sounds. Space pauses, Right and Left jump 10 seconds, + and - double and halve the pace,
// Esc ends. Returns the exit code: 0, 1 when the window cannot open, 2 (after one line on
// standard error) when the file is not a recording this version can run.
int watch_recording(const CommandLine& line, int volume);
