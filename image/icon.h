// The game's icon, painted from the menu flag: the window's icon and the desktop's.
#pragma once

#include "image/bmp.h"

// Paints the size x size icon into rgba (4 bytes a pixel, top row first) from the flag
// picture as the BMP reader gives it: the cloth scaled down, corners rounded off.
void icon_from_flag(const AUX_RGBImageRec& flag, int size, unsigned char* rgba);
