// One command a player a step, like a tic command: what the player holds, as bits. Every
// input source (the keyboard through the binding table, the pads, the computer, a
// recording, the other machine) becomes one of these for each player before a step, and the
// step reads nothing else.
//
// A command holds a bit for each of the player's six actions, one for each of the other
// hand's six (online one machine is one player, and either hand's keys are his), and one
// for every other key the game keeps a latch for. Keys without a latch never reach a step.
#pragma once

#include <cstdint>

#include "state/bindings.h"

// The keys beyond the players' twelve that the game keeps a latch for.
constexpr int SHARED_KEY_CODES[] = {
    'B',      'W', 'R', 'O', 'C', 'H', VK_ESCAPE, VK_SPACE, VK_ENTER, VK_UP, VK_DOWN, VK_LEFT,
    VK_RIGHT, '1', '2', '3', '4', '5', '6',       '7',      '8',      '9',   '0'};
constexpr int SHARED_KEYS = sizeof SHARED_KEY_CODES / sizeof SHARED_KEY_CODES[0];

// The bits of a command: the player's own actions, the other hand's, then the shared keys.
constexpr int COMMAND_OWN = 0;
constexpr int COMMAND_OTHER_HAND = ACTIONS;
constexpr int COMMAND_SHARED = 2 * ACTIONS;
constexpr int COMMAND_BITS = COMMAND_SHARED + SHARED_KEYS;

struct PlayerCommand {
  std::uint64_t held = 0;
  bool holds(int bit) const { return (held >> bit) & 1; }
  void set(int bit, bool down) {
    held = down ? held | (std::uint64_t{1} << bit) : held & ~(std::uint64_t{1} << bit);
  }
  friend bool operator==(PlayerCommand a, PlayerCommand b) { return a.held == b.held; }
  friend bool operator!=(PlayerCommand a, PlayerCommand b) { return a.held != b.held; }
};

// Both players' commands for one step: players 1 and 2 at 0 and 1.
struct StepCommands {
  PlayerCommand player[BOUND_PLAYERS];
  friend bool operator==(const StepCommands& a, const StepCommands& b) {
    return a.player[0] == b.player[0] && a.player[1] == b.player[1];
  }
  friend bool operator!=(const StepCommands& a, const StepCommands& b) { return !(a == b); }
};

// The bit of player's (1 or 2) command that the game's own key code is, seen from his
// side: his own keys are his actions, the other player's keys his other hand's; -1 for a
// key no step reads.
int command_bit(int player, int code);
// The game's own key code of bit in player's command (as command_bit reads it back).
int command_code(int player, int bit);

// One machine's command when it is one player (online): every key of the game's own it
// holds, either hand's.
PlayerCommand command_of_keys(int player, const bool game_keys[KEY_CODES]);
// Both players' commands from one keyboard (local play, a replay script): each player's
// keys go to his own command, the shared keys to player 1's.
StepCommands commands_of_keys(const bool game_keys[KEY_CODES]);

static_assert(COMMAND_BITS >= sizeof(Skey), "a command has a bit for every latched key");
static_assert(COMMAND_BITS <= 40, "a command is stored in five bytes");
