// Every match kept on its own in the recordings folder (record/kept.h), unless the player
// records the session himself (--record) or the settings say [recordings] keep = no.
#pragma once

#include "game/command_line.h"
#include "state/settings.h"
#include "state/snapshot.h"

// Starts recording the session to a hidden file of the folder; a folder that cannot be
// written is told in one line and the game plays on.
void keep_start(const CommandLine& line, const Settings& saved);
// Whether matches are being kept.
bool keeping_matches();
// A match started in the step just run: the file before it is put under its name and the
// match's own begins, from the state before that step (before).
void keep_match_start(const GameSnapshot& before);
// After each picture: online, the first match's start names the session's recording.
void keep_after_picture();
// At the end: the recording under its name when a match was played, else removed.
void keep_end();
