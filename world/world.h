// The building table, the map file and walking.
#pragma once

#include <cstdio>

void sector_set();
void NULL_build();
void Load_sector_map(const char* Filename);
void readstr(std::FILE* f, char* string);

void player_hore(int numb);
void player_dole(int numb);
void player_doprava(int numb);
void player_dolava(int numb);
