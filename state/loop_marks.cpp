// The loop's and the window's marks, with their start-up values.
#include "state/loop_marks.h"

bool active = true;
bool fullscreen = true;
bool done = false;
