#include "state/command.h"

int command_bit(int player, int code) {
  if (player < 1 || player > BOUND_PLAYERS || code <= 0 || code >= KEY_CODES) return -1;
  int hand = 0;
  const int action = game_action(code, &hand);
  if (action >= 0) return (hand == player ? COMMAND_OWN : COMMAND_OTHER_HAND) + action;
  for (int k = 0; k < SHARED_KEYS; k++)
    if (SHARED_KEY_CODES[k] == code) return COMMAND_SHARED + k;
  return -1;
}

int command_code(int player, int bit) {
  if (player < 1 || player > BOUND_PLAYERS || bit < 0 || bit >= COMMAND_BITS) return 0;
  if (bit >= COMMAND_SHARED) return SHARED_KEY_CODES[bit - COMMAND_SHARED];
  if (bit >= COMMAND_OTHER_HAND) return game_key(3 - player, Action(bit - COMMAND_OTHER_HAND));
  return game_key(player, Action(bit - COMMAND_OWN));
}

PlayerCommand command_of_keys(int player, const bool game_keys[KEY_CODES]) {
  PlayerCommand c;
  for (int bit = 0; bit < COMMAND_BITS; bit++) c.set(bit, game_keys[command_code(player, bit)]);
  return c;
}

StepCommands commands_of_keys(const bool game_keys[KEY_CODES]) {
  StepCommands s;
  for (int numb = 1; numb <= BOUND_PLAYERS; numb++) {
    for (int a = 0; a < ACTIONS; a++)
      s.player[numb - 1].set(COMMAND_OWN + a, game_keys[game_key(numb, Action(a))]);
  }
  for (int k = 0; k < SHARED_KEYS; k++)
    s.player[0].set(COMMAND_SHARED + k, game_keys[SHARED_KEY_CODES[k]]);
  return s;
}
