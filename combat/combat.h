// Bows, arrows, the sword, and scoring.
#pragma once

#include <cstdint>

#include "state/lybrary3.h"

// Hit counters count on past the int range the way the hardware does instead
// of overflowing into undefined behaviour (a replay may set any value).
inline int add_wrapping(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline int sub_wrapping(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// A bow's five arrows, in hand (Splayer::Swepon) or in a slot (Splayer::Sin), copied from one
// to the other. A slot's sixth arrow only ever goes with the slot's clearing at a match start.
template <class To, class From>
inline void copy_arrows(To& to, const From& from) {
  for (int j = 0; j < HAND_ARROWS; j++) to.naboj[j].have = from.naboj[j].have;
}
// Gives a bow in hand or in a slot its first count arrows, or takes them away.
template <class Bow>
inline void set_arrows(Bow& bow, bool have, int count = HAND_ARROWS) {
  for (int j = 0; j < count; j++) bow.naboj[j].have = have;
}

// Weapon slots and ammunition.
int find_in(int numb, int k);
void set_item(int numb, int k);
void secreting_item(int numb, int k);
void take_item(int numb, int k);
void player_search(int numb);
// The selection after one press of the change-weapon key from selection s: the next slot
// when it holds a bow, else no slot (-1, the sword).
int next_selection(const Splayer& p, int s);
void wepon_naboj_control(int numb);
void restore_in(int numb, int k);
void reset_item(int numb, int k);

// Bows on the ground.
void g_wepon_ly();
void g_wepon_control();

// Firing patterns.
void player_strel(int numb);
void naboj_strel(int numb, int k);
void wepon_1(int numb, int vx);
void wepon_1_1(int numb, int vx);
void wepon_2(int numb, int vx);
void wepon_3(int numb, int vx);
// Where the arrows a bow of type id launches start, from a shooter's corner at (x, y)
// facing alpha: the flying ones in order, as a shot places them. Returns how many fly; none
// for a facing that is none of the four.
int launched_arrows(int id, int alpha, float x, float y, float ax[SUB_ARROWS],
                    float ay[SUB_ARROWS]);

// Arrow flight and hits.
void naboj_strel_control(int numb);
void kill_another_player(int numb);
void naboj_trajektoria(int numb);
// Whether the update would stop an arrow standing at (x, y): in a building, past the
// bounds, or on a living character.
bool arrow_stops(float x, float y);
// How many of the update's moves an arrow at (x, y) flying along alpha makes before the
// update finds it in the closed unit square at (tx, ty), a player standing there; -1 when a
// building, a character or the bounds stop it first, or it passes him by.
int arrow_moves_to(float x, float y, int alpha, float tx, float ty);

// Sword.
void player_mec(int numb);
// Whether a stroke of player numb facing alpha strikes a player standing at (tx, ty).
bool sword_reaches(int numb, int alpha, float tx, float ty);
// Whether the attack key swings the sword: no slot selected, or no bow in hand.
bool sword_in_hand(const Splayer& p);

// Death and scoring.
// Where a player who was hit starts again: his square's lower-left corner. Record 0
// never plays.
struct Spawn {
  float x, y;
};
constexpr Spawn SPAWN[PLAYER_RECORDS] = {{0, 0}, {0, 0}, {19.5f, 10.5f}};
void player_death_control(int numb);
void player_sumary(int numb);
