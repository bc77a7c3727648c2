// The game's process: its standard descriptors, the signals it answers, and the process
// a message box is shown from.
#pragma once

// First thing the game does: descriptors 0 to 2 held open, the quit signals answered,
// the signals that mean nothing to the game ignored.
void guard_process();

// Asks the game to quit: the close button, SIGINT, SIGTERM, SIGHUP, SIGQUIT. Safe inside
// a signal handler; a box on screen is closed at once.
void request_quit();
// True once a quit was asked for, for good: no box is shown after it.
bool quit_requested();
// True the first time the loop asks after a quit was asked for.
bool take_quit_request();
// True while a quit is asked for and the loop has not taken it yet.
bool quit_pending();
// The signal that asked the game to quit; 0 when none did (the close button, or no quit).
int quit_signal_number();

// Around a message box: a process forked while it is up is the box's own, tied to the
// game so that it never outlives it and ends when the game is asked to quit.
void box_process_begin();
void box_process_end();

// After --help or --version: true when everything reached standard output, else false
// after saying why on standard error.
bool standard_output_written();
