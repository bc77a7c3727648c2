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

// Arrow flight and hits.
void naboj_strel_control(int numb);
void kill_another_player(int numb);
void naboj_trajektoria(int numb);

// Sword.
void player_mec(int numb);

// Death and scoring.
void player_death_control(int numb);
void player_sumary(int numb);
