// What two games playing one match say to each other, as bytes on the wire. Every message
// starts with "KV" and its type; numbers are unsigned, low byte first. The decoder takes
// any bytes at all: what is not a whole, well-formed message of this protocol is refused
// (false), never read past, never half taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "state/command.h"
#include "world/world.h"

constexpr int PROTOCOL = 4;
constexpr int VERSION_TEXT_MAX = 32;    // printable characters of a game version
constexpr int KEYS_DOWN_MAX = 32;       // keys one machine holds in one group
constexpr int INPUTS_PER_MESSAGE = 64;  // groups of inputs one message carries
constexpr int INPUT_DELAY_MAX = 32;     // groups
constexpr int LEAD_LIMIT = 127;         // groups, either way
constexpr int GROUP_STEPS_MOST = 3000;  // steps in one group, at most (a second at level 1)

enum MessageType {
  MSG_HELLO = 1,  // guest: protocol, version
  MSG_PROBE,      // host asks, guest echoes: the round trip, so both start together
  MSG_WELCOME,    // host: protocol, version, input delay, speed level and map at the start,
                  // the steps a group at each speed level
  MSG_REFUSE,     // host: reason, its version
  MSG_INPUTS,     // either: acks, the newest state hash, its lead, a run of group inputs
  MSG_MAP,        // host: a map by number, the sector it plays as, the arena's name and the
                  // seed of the match starts on it
  MSG_LEAVE,      // either: the game is over on this side, and why
  MSG_DESYNC      // either: the state hashes of frame differ
};

enum RefuseReason { REFUSE_VERSION = 1, REFUSE_FULL = 2 };
enum LeaveReason { LEAVE_CLOSED = 1, LEAVE_EXIT = 2 };

// One machine's input for one frame: its player's command (on the wire the game's own
// codes of the keys it holds, 1 to 255, rising: the host's are player 1's, the guest's
// player 2's), the speed level it marked (0 for none) and, from the host, the number of its
// map.
struct InputEntry {
  PlayerCommand command;
  std::uint8_t level = 0;
  std::uint16_t map = 0;
};

struct Message {
  int type = 0;
  int protocol = 0;
  std::string version;
  int delay = 0, start_level = 0, reason = 0;
  int group_steps[3] = {1, 1, 1};  // welcome: steps a group at speed levels 1 to 3
  std::uint32_t token = 0;         // probe
  // inputs
  bool from_host = false;        // a host's entries carry its map's number
  std::uint32_t ack = 0;         // the first frame the sender still needs from us
  std::uint16_t map_ack = 0;     // the newest map the guest holds
  std::uint32_t hash_frame = 0;  // 0: no hash yet
  std::uint64_t hash = 0;
  int lead = 0;             // how far the sender runs past the keys it knows of ours
  std::uint32_t first = 0;  // frame of inputs[0]
  int count = 0;
  InputEntry inputs[INPUTS_PER_MESSAGE];
  // map
  std::uint16_t map_id = 0;
  MapText map;
  // desync
  std::uint32_t frame = 0;
};

// A message as bytes; the fields it does not use are ignored.
std::string encode_message(const Message& m);
// Takes any bytes; true with *m filled only for a whole message of this protocol.
bool decode_message(const std::uint8_t* data, std::size_t size, Message* m);
