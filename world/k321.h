// World drawing: the field, its buildings and the outline helper.
#pragma once

void S_D();
// The next field drawn leaves the ground out of this many window rows from the
// bottom, because something opaque is drawn over them afterwards.
void ground_hidden_below(int rows);
void ground(int x, int y, int xl, int yl);
void budova(int x, int y, int xl, int yl);
void ncp_DRAW(float x, float y, float z);
void QUADS_RAM(float x, float y, float xl, float yl);
void QUADS_RAM(float x, float y, float xl, float yl, float z);
