// Two machines, one match, without a felt delay: each game runs its own player's keys at
// once and guesses the other's (the last keys known). When the other's real keys arrive and
// differ from the guess, the session puts the state back to the step group before the
// guess and runs the groups again, so the picture shows the corrected state a few groups
// later. A game runs at most PREDICT_MAX groups past the last group both sides' keys are
// known for; beyond that it waits (a slower machine or link makes both wait, never
// diverge). A group is a few steps with the same keys; the host fixes the groups' pace.
//
// Only inputs cross, with their group numbers, so the link may lose, repeat and reorder
// messages: each message repeats every input the other side has not acknowledged. Every 30
// groups both compare a hash of their final state.
//
// The session knows nothing of sockets: the caller hands it what arrived and sends what it
// has in its outbox, over whatever carries datagrams between the two. It runs the steps
// itself, on the game state, and tells the caller (for the recording) each step that is
// final, in order, once and only once.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "flow/frame_input.h"
#include "flow/step_clock.h"
#include "session/messages.h"
#include "state/snapshot.h"
#include "state/speed_levels.h"

constexpr int INPUT_RING = 256;              // groups of inputs kept on each side
constexpr int PREDICT_MAX = 15;              // groups run on guessed keys, at most
constexpr int SAVE_RING = PREDICT_MAX + 1;   // states kept for putting back
constexpr int MAP_RING = 8;                  // the host's maps kept until the guest has them
constexpr int HASH_RING = 8;                 // state hashes kept for comparing
constexpr int HASH_EVERY = 30;               // groups
constexpr double SILENCE_LIMIT_MS = 10000;   // the other side is gone after this
constexpr double HANDSHAKE_LIMIT_MS = 5000;  // a guest that greeted must be playing by then
constexpr double RESEND_MS = 40;             // messages go at least this often,
constexpr double SEND_GAP_MS = 4;            // and new inputs no more often than this

// The steps a group at speed levels 1 to 3 that a host fixes for its session: the most
// that last no more than a sixtieth of a second at the level's step rate, so the other
// side's keys and a player's own key wait at most that long.
constexpr int GROUP_STEPS[SPEED_LEVELS] = {
    speed_level_row(1).group_steps, speed_level_row(2).group_steps, speed_level_row(3).group_steps};

enum SessionPhase { PHASE_CONNECTING, PHASE_RUNNING, PHASE_ENDED };

// Told of every step once it is final (both machines' keys for it known), in order: the
// step's inputs and, when its match start read one, the map (null otherwise).
using FinalStep = void (*)(const FrameInput& in, const MapText* map_read, void* context);
// How many steps group number `group` runs (the state is the one before it); null: the
// session's group size at the state's speed level.
using GroupSteps = int (*)(std::uint32_t group, void* context);
// Runs one step on its inputs (null: run_frame_input). rerun: the step runs again after a
// rollback, and what it changes was already seen and heard once.
using StepRunner = void (*)(const FrameInput& in, bool rerun, void* context);
// Told of this window's minimising (false) and restoring (true) where it falls among the
// final steps.
using WindowNote = void (*)(bool is_active, void* context);

// One group as this machine ran it last: the state before it, the other side's input it
// used (known or guessed), what its steps read, the hash after it.
struct GroupRun {
  GameSnapshot before;
  bool ended_before = false;  // the loop's done mark before it: steps on a guess may set it
  InputEntry theirs;
  bool guessed = false;
  int steps = 0;
  std::uint8_t level = 0;  // the host's mark, before the first step
  StepCommands commands;   // both sides' commands, every step alike
  int map_step = -1;       // the step whose match start read the map, -1 for none
  MapText map_read;
  std::uint64_t hash = 0;
};

struct Session {
  bool host = false;
  SessionPhase phase = PHASE_CONNECTING;
  std::string version;
  int start_level = 0;            // the host's speed level before the first group (0: as it starts)
  int group_size[3] = {1, 1, 1};  // steps a group at speed levels 1 to 3: the host's
  long long steps_owed = 0;       // steps the step clock called for that no group ran yet

  // this machine's inputs for groups [acked, local_next), the other's for [.., remote_next)
  InputEntry local[INPUT_RING];
  InputEntry remote[INPUT_RING];
  bool remote_have[INPUT_RING] = {};
  std::uint32_t local_next = 0, acked = 0, remote_next = 0;
  std::uint32_t frame = 0;      // the next group to run
  std::uint32_t confirmed = 0;  // groups before this one are final
  std::vector<GroupRun> runs;   // SAVE_RING of them, by group number
  InputEntry last_theirs;       // the newest input known from the other side: the guess
  int their_lead = 0;           // how far the other side runs past our known keys
  bool rerunning = false;       // steps now running are run again after a rollback
  long long rollbacks = 0, groups_rerun = 0, steps_rerun = 0;
  // Checking sync (a test's mode): every group is run, put back and run again at once, and
  // the state after both runs must hash the same; what differs is counted here.
  bool sync_check = false;
  long long sync_failures = 0;
  std::uint32_t first_unsynced = 0;  // the first group that did not run the same twice

  FinalStep on_final = nullptr;
  GroupSteps group_steps = nullptr;
  WindowNote on_window = nullptr;
  StepRunner run_step = nullptr;
  std::vector<std::pair<std::uint32_t, bool>> window_notes;  // (before group, active)
  void* context = nullptr;

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
  bool probing = false;         // the host has heard a hello and measures the round trip,
  double probing_since_ms = 0;  // since then
  bool holding = false;         // the host's first group waits for the welcome to land,
  double hold_until_ms = 0;     // until then
  std::uint32_t probe_token = 0;
  double probe_sent_ms[16] = {};  // by token: an echo may come back after later probes went
  bool sent_news = false;         // a new input waits to go out
  bool other_ended = false;
  bool other_lost = false;  // gone without a word: ends the session unless the game is over

  std::vector<std::string> outbox;  // datagrams for the caller to send
  long long dropped = 0;            // datagrams refused as not ours or malformed

  // how it ended: the message for the player ("" for none) and the exit code
  std::string end_message;
  int exit_code = 0;
};

// True while the session runs steps again after a rollback: what those steps change was
// already seen once (sounds, for one, must not play twice).
extern bool session_steps_rerun;

// Starts a session as host or guest at time now (milliseconds of any steady clock).
// start_level is the host's speed level at the start.
void session_begin(Session* s, bool host, const std::string& version, double now,
                   int start_level = 0);
// The host's map for the match starts from now on; false when it cannot be taken yet (the
// guest is far behind on maps): the caller offers it again later.
bool session_set_map(Session* s, const MapText& map);
// A datagram from the other side.
void session_receive(Session* s, const std::uint8_t* data, std::size_t size, double now);
// Resends, the handshake's repeats, the silence limit; fills the outbox.
void session_poll(Session* s, double now);

// The host fixes the steps a group at speed levels 1 to 3 before the guest joins; a guest
// takes them from the host's welcome. Until then a group is one step.
void session_set_group_steps(Session* s, const int steps[3]);
// The steps the next group runs, from the state as it stands (the one before it).
int session_next_group_steps(const Session* s);
// The groups this machine's step clock calls for before the picture at now_ns: the steps
// the time passed calls for at the state's speed level, in whole groups (see
// steps_before_picture; shown is false while minimised). session_add_input takes one
// group's steps off. A machine that falls behind keeps at most a quarter second owed; one
// that waits for the other side at most two groups.
int session_groups_due(Session* s, StepClock* clock, std::int64_t now_ns, bool shown);

// Whether the next group may start now: its input is wanted, it stays within the guessing
// window and this side does not run ahead of the other.
bool session_wants_input(const Session* s);
// This machine's input for the next group: its player's command (the host plays player 1,
// the guest player 2), the speed level it marked.
void session_add_input(Session* s, PlayerCommand command, int speed_level);
// Runs what the inputs allow, on the game state: groups whose guess proved wrong again from
// the state before them, then the new groups this machine has inputs for. Steps that become
// final go to on_final, hashes to the other side. Returns the new groups run.
int session_advance(Session* s);
// This window was minimised or restored now, before the next group: on_window hears of it
// once the groups before are final.
void session_note_window(Session* s, bool is_active);
// Whether the game ended (done) in a final step: the loop may stop.
bool session_finished(const Session* s);

// This side ends: the window closed (LEAVE_CLOSED) or the steps ended the game
// (LEAVE_EXIT). The outbox then holds the goodbye.
void session_leave(Session* s, int reason);
// The link says the other side is gone: in order, for a reason of LeaveReason, or
// silent (0).
void session_other_gone(Session* s, int reason);
// Whether the other side has every input it needs to make final the groups this side ran.
bool session_delivered(const Session* s);

// Whether a datagram is a guest's greeting (a hello of this protocol, of any version): a
// host takes a newcomer as its guest only once it greets.
bool session_is_greeting(const std::uint8_t* data, std::size_t size);

// The refusal a host sends to anyone who joins while two already play.
std::string session_refuse_full(const std::string& version);
