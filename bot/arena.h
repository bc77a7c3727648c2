// What the computer opponent knows of the arena: the places on a one-unit lattice where a
// player can stand, how many steps apart two of them are on foot, and its questions put to
// the game's own rules (is a step refused, where do a shot's arrows fly). It only reads the
// game state.
#pragma once

#include "state/lybrary3.h"
#include "world/world.h"

// Lattice of places for a player's lower-left corner: from the field's left edge
// (x = -0.5, 0.5, ..., 19.5) and half a unit above its bottom (y = 0.5, ..., 10.5).
// Buildings lie on whole units, so every gap a player fits through holds a lattice place at
// least half a unit clear of every wall.
constexpr int LATTICE_W = static_cast<int>(FIELD_RIGHT - FIELD_LEFT) + 1;
constexpr int LATTICE_H = static_cast<int>(FIELD_TOP - FIELD_BOTTOM - 0.5) + 1;
constexpr int PLACES = LATTICE_W * LATTICE_H;
constexpr int UNREACHABLE = 255;

// Walking directions, in the order the frame tests a player's keys, and their facings.
enum Direction { GO_UP, GO_DOWN, GO_RIGHT, GO_LEFT };
constexpr int DIRECTION_FACING[4] = {hore, dole, doprava, dolava};

// What refuses a step.
enum Block { FREE, WALL, BODY };

inline float place_x(int n) {
  return static_cast<float>(FIELD_LEFT) + n % LATTICE_W;
}
inline float place_y(int n) {
  return static_cast<float>(FIELD_BOTTOM + 0.5) + n / LATTICE_W;
}

// Rebuilds the lattice and its walking distances when the buildings or characters changed;
// says whether it did.
bool arena_refresh();
// Forgets the lattice, so the next refresh rebuilds it.
void arena_forget();
bool place_free(int n);
// Whether a player's corner may stand at (x, y): inside the field, touching no building.
bool spot_clear(double x, double y);
// Lattice steps between two places (a diagonal step counts one), or UNREACHABLE.
int walk_steps(int from, int to);
// The free place nearest to a position, among those around it; -1 when none is free.
int place_near(float x, float y);
// The next place on a shortest walk from one place to another; from itself when there is none.
int next_place(int from, int to);

// What would refuse one step of player numb in direction d: the frame's own walking rule.
Block blocked_by(int numb, int d);

// How many arrows of a shot from (x, y) facing alpha would hit a player standing at
// (tx, ty), counting only arrows at least `margin` inside his square across their flight.
int shot_hits(int id, int alpha, float x, float y, double tx, double ty, double margin);
// Whether a shot from (x, y) facing alpha at a player standing at (tx, ty) hits nobody again
// once its first hit has put him back at (hx, hy); `alone`: nor more than one arrow at once.
bool hits_once(int id, int alpha, float x, float y, double tx, double ty, float hx, float hy,
               bool alone);
// How far sub-arrow k of a shot still flies before it meets a player standing at
// (tx, ty), his square widened by `slack` across its flight; -1 when it will miss him.
double arrow_gap(const Splayer::Snaboj& shot, int k, double tx, double ty, double slack);
