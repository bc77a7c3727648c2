// Keys pressed on the test X server's keyboard (XTest), as a player's hands would:
// the game sees them through its window like any key.
#pragma once

void x_key(const char* keysym_name, bool down);
