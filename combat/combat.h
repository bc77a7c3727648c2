// Bows, arrows, the sword, and scoring.
#pragma once

#include <cstdint>

// Hit counters count on past the int range the way the hardware does instead
// of overflowing into undefined behaviour (a replay may set any value).
inline int add_wrapping(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline int sub_wrapping(int a, int b) {
  return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
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
