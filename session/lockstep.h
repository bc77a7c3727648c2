// Two machines, one match: a session runs a frame only when both machines' inputs for it
// are known, so both compute the same frames from the same inputs. Each machine's input
// for frame n is taken when it runs frame n - delay and sent at once, which hides a
// network delay of up to delay frames. Only inputs cross, with their frame numbers, so
// the link may lose, repeat and reorder messages: each message repeats every input the
// other side has not acknowledged. Every 30 frames both compare a hash of their state.
//
// The session knows nothing of sockets: the caller hands it what arrived and sends what
// it has in its outbox, over whatever carries datagrams between the two.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flow/frame_input.h"
#include "session/messages.h"

constexpr int INPUT_RING = 256;            // frames of inputs kept on each side
constexpr int MAP_RING = 8;                // the host's maps kept until the guest has them
constexpr int HASH_RING = 8;               // state hashes kept for comparing
constexpr int HASH_EVERY = 30;             // frames
constexpr double SILENCE_LIMIT_MS = 5000;  // the other side is gone after this
constexpr double RESEND_MS = 40;           // messages go at least this often,
constexpr double SEND_GAP_MS = 4;          // and new inputs no more often than this

enum SessionPhase { PHASE_CONNECTING, PHASE_RUNNING, PHASE_ENDED };

struct Session {
  bool host = false;
  SessionPhase phase = PHASE_CONNECTING;
  std::string version;
  int delay = 0;         // frames between taking an input and the frame it is for
  int start_level = 0;   // the host's speed level before the first frame (0: as it starts)
  double frame_ms = 16;  // the host's time for one frame, for picking the delay

  // this machine's inputs for frames [acked, local_next), the other's for [.., remote_next)
  InputEntry local[INPUT_RING];
  InputEntry remote[INPUT_RING];
  bool remote_have[INPUT_RING] = {};
  std::uint32_t local_next = 0, acked = 0, remote_next = 0;
  std::uint32_t frame = 0;  // the next frame to run

  // the host's maps by number: the current one for its inputs, the newest the guest has
  MapText maps[MAP_RING];
  std::uint16_t map_ids[MAP_RING] = {};
  std::uint16_t map_current = 0, map_acked = 0;
  double map_sent_ms = -1e9;

  std::uint32_t own_hash_frame[HASH_RING] = {}, their_hash_frame[HASH_RING] = {};
  std::uint64_t own_hash[HASH_RING] = {}, their_hash[HASH_RING] = {};
  std::uint32_t newest_hash_frame = 0;
  std::uint64_t newest_hash = 0;

  double heard_ms = 0, sent_ms = -1e9, probe_ms = -1e9;
  bool probing = false;      // the host has heard a hello and measures the round trip
  bool holding = false;      // the host's first frame waits for the welcome to land,
  double hold_until_ms = 0;  // until then
  std::uint32_t probe_token = 0;
  bool sent_news = false;  // a new input waits to go out
  bool other_ended = false;

  std::vector<std::string> outbox;  // datagrams for the caller to send
  long long dropped = 0;            // datagrams refused as not ours or malformed

  // how it ended: the message for the player ("" for none) and the exit code
  std::string end_message;
  int exit_code = 0;
};

// Starts a session as host or guest at time now (milliseconds of any steady clock).
// frame_ms is the host's time for one frame; start_level its speed level at the start.
void session_begin(Session* s, bool host, const std::string& version, double now,
                   double frame_ms = 16, int start_level = 0);
// The host's map for the match starts from now on.
void session_set_map(Session* s, const MapText& map);
// A datagram from the other side.
void session_receive(Session* s, const std::uint8_t* data, std::size_t size, double now);
// Resends, the handshake's repeats, the silence limit; fills the outbox.
void session_poll(Session* s, double now);

// Whether this machine's input for the next frame it owes may be taken now.
bool session_wants_input(const Session* s);
// This machine's input: the keys it holds, the speed level it marked (0 for none).
void session_add_input(Session* s, const bool held[KEY_CODES], int speed_level);
// Whether the next frame's inputs are all known.
bool session_ready(const Session* s);
// The next frame's inputs, merged as the rule for two keyboards says (the state must be
// the one before that frame).
void session_frame_input(const Session* s, FrameInput* in);
// The frame ran; state_hash is the hash of the state after it.
void session_frame_done(Session* s, std::uint64_t state_hash);

// This side ends: the window closed (LEAVE_CLOSED) or the frames ended the game
// (LEAVE_EXIT). The outbox then holds the goodbye.
void session_leave(Session* s, int reason);
// The link says the other side is gone: in order, for a reason of LeaveReason, or
// silent (0).
void session_other_gone(Session* s, int reason);
// Whether the other side has every input it needs to run the frames this side ran.
bool session_delivered(const Session* s);

// The refusal a host sends to anyone who joins while two already play.
std::string session_refuse_full(const std::string& version);

// The two key tables as one: in play each machine's hand keys (either hand's set) act
// only for its own archer; on the colour screen its colour keys only for its own
// avatar; every other key acts from either machine.
void merge_keys(const InputEntry& host, const InputEntry& guest, bool out[KEY_CODES]);
