// Every session with a match in it kept in the recordings folder (record/kept.h), unless the
// player records it himself (--record) or the settings say [recordings] keep = no.
#pragma once

#include "game/command_line.h"
#include "state/settings.h"

// Starts recording the session to a hidden file of the folder; a folder that cannot be
// written is told in one line and the game plays on.
void keep_start(const CommandLine& line, const Settings& saved);
// After each picture: the first match's start names the recording.
void keep_after_picture();
// At the end: the recording under its name when a match was played, else removed.
void keep_end();
