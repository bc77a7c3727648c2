// The colour screen's keys: each player's left and right step his avatar, Space starts the
// match.
#include "flow/screen.h"

namespace {

// Steps an avatar colour through 1..6, wrapping at both ends.
void colour_down(int& color) {
  if (--color < 1) color = 6;
}
void colour_up(int& color) {
  if (++color > 6) color = 1;
}

}  // namespace

void colour_screen_keys() {
  for (int numb = 1; numb <= BOUND_PLAYERS; numb++) {
    if (pressed(game_key(numb, ACTION_LEFT), key.*action_latch(numb, ACTION_LEFT)))
      colour_down(player[numb].color);
    if (pressed(game_key(numb, ACTION_RIGHT), key.*action_latch(numb, ACTION_RIGHT)))
      colour_up(player[numb].color);
  }
  // Space leaves without setting its latch, so a held Space reaches play.
  if (keys[VK_SPACE] && !key.space) {
    New_Nastavenia = false;
    New = true;
  }
}
