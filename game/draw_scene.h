// Frame composition: one screen per frame, the one the screen table says is up.
#pragma once

int DrawGLScene();
// Counts one step of the flag's wave for each flag the picture of this moment shows: the
// wave moves with the steps, at its designed pace whatever the picture rate.
void count_flag_step();
