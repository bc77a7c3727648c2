// The mipmap chain of an image: each level half the one above, averaged in
// 2 x 2 blocks. Pure byte work, no GL.
#pragma once

#include <functional>

// Halves a packed RGB image of width x height, both powers of two and not
// both 1, into dst, which holds max(width / 2, 1) x max(height / 2, 1) texels:
// each is the rounded mean of the two or four texels it covers.
void mipmap_halve_rgb(const unsigned char* src, int width, int height, unsigned char* dst);

// Builds the chain below a packed RGB image with power-of-two sides down to 1 x 1, each
// level from the one above, and hands every level to `level`: its number (from 1), its
// size and its texels, which last only for the call.
using MipmapLevel = std::function<void(int n, int width, int height, const unsigned char* texels)>;
void mipmap_chain(int width, int height, const unsigned char* data, const MipmapLevel& level);
