// World drawing: the field, its buildings and the outline helper.
#pragma once

void S_D();
// The next field drawn leaves this many window rows from the bottom as they
// are, because something at least a building high is painted over them next.
void field_hidden_below(int rows);
// Keeps drawing off this many window rows from the bottom; 0 draws everywhere.
void clip_bottom_rows(int rows);
void ground(int x, int y, int xl, int yl);
void budova(int x, int y, int xl, int yl);
void ncp_DRAW(float x, float y, float z);
void QUADS_RAM(float x, float y, float xl, float yl);
void QUADS_RAM(float x, float y, float xl, float yl, float z);
