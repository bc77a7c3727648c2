// Every match kept on its own in the recordings folder (record/kept.h), unless the player
// records the session himself (--record) or the settings say [recordings] keep = no.
#pragma once

#include "game/command_line.h"
#include "state/snapshot.h"

// Starts recording the session to a hidden file of the folder; a folder that cannot be
// written is told in one line and the game plays on.
void keep_start(const CommandLine& line);
// Whether matches are being kept.
bool keeping_matches();
// A match started in the step just run: the file before it is put under its name and the
// match's own begins, from the state before that step (before).
void keep_match_start(const GameSnapshot& before);
// After each picture: a match in play names a file still without a name.
void keep_after_picture();
// At the end, and before online play: the file under its name when a match was played in
// it, else removed. The next local match starts a file of its own again.
void keep_end();
