// The rollback session: inputs in, groups of steps out, the same on both machines once final.
#include "session/lockstep.h"

#include <algorithm>
#include <cstring>

#include "flow/game.h"
#include "state/language.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/state_fields.h"

bool session_steps_rerun = false;

namespace {

constexpr double HELLO_EVERY_MS = 100;
constexpr double MAP_EVERY_MS = 100;
constexpr int GOODBYE_COPIES = 3;  // a lossy link still carries one of them
constexpr int LEAD_SLACK = 2;      // groups one side may run further ahead than the other

void send(Session* s, const Message& m, int copies = 1) {
  std::string bytes = encode_message(m);
  for (int i = 0; i < copies; i++) s->outbox.push_back(bytes);
}

void end(Session* s, const std::string& message, int code) {
  if (s->phase == PHASE_ENDED) return;
  s->phase = PHASE_ENDED;
  s->end_message = message;
  s->exit_code = code;
}

std::string version_message(const std::string& theirs) {
  return tr_with("Druha hra ma verziu %s; obe potrebuju rovnaku verziu.", theirs);
}

std::string disagreement(std::uint32_t frame) {
  return tr_with("Dve hry sa uz nezhoduju (krok %s).", std::to_string(frame));
}

bool map_known(const Session* s, std::uint16_t id) {
  return id != 0 && s->map_ids[id % MAP_RING] == id;
}

bool same_input(const InputEntry& a, const InputEntry& b) {
  return a.command == b.command && a.level == b.level && a.map == b.map;
}

void start_running(Session* s) {
  s->phase = PHASE_RUNNING;
  s->frame = s->confirmed = 0;
  s->local_next = s->remote_next = s->acked = 0;
  s->last_theirs = InputEntry();
  if (!s->host) s->last_theirs.map = s->map_current;  // the host's map at the start
  s->sent_news = true;
}

// The welcome, with what both need to begin.
void send_welcome(Session* s) {
  Message w;
  w.type = MSG_WELCOME;
  w.protocol = PROTOCOL;
  w.version = s->version;
  w.start_level = s->start_level;
  w.map_id = s->map_current;
  for (int i = 0; i < 3; i++) w.group_steps[i] = s->group_size[i];
  send(s, w);
}

// Map numbers run from 1 to 65535 and then start again at 1: 0 is no map.
std::uint16_t next_map_id(std::uint16_t id) {
  return id == 65535 ? 1 : static_cast<std::uint16_t>(id + 1);
}

// How many maps id lies after base on that round (0, the start, counts as 65535).
int maps_after(std::uint16_t id, std::uint16_t base) {
  return (id - base + 65535) % 65535;
}

// Compares the hashes both sides have for one group.
void compare_hashes(Session* s, std::uint32_t hash_frame, std::uint64_t theirs) {
  int slot = static_cast<int>(hash_frame / HASH_EVERY % HASH_RING);
  if (s->own_hash_frame[slot] == hash_frame) {
    if (s->own_hash[slot] != theirs) {
      Message d;
      d.type = MSG_DESYNC;
      d.frame = hash_frame;
      send(s, d, GOODBYE_COPIES);
      end(s, disagreement(hash_frame), 1);
    }
  } else if (hash_frame > s->newest_hash_frame) {
    s->their_hash_frame[slot] = hash_frame;
    s->their_hash[slot] = theirs;
  }
}

// The other side's inputs known without a gap from the first group not yet final; a host
// entry counts once its map is here too.
void count_known(Session* s) {
  while (s->remote_next < s->confirmed + INPUT_RING &&
         s->remote_have[s->remote_next % INPUT_RING]) {
    const InputEntry& e = s->remote[s->remote_next % INPUT_RING];
    if (!s->host && !map_known(s, e.map)) break;
    s->last_theirs = e;
    s->remote_next++;
  }
}

void take_inputs(Session* s, const Message& m) {
  if (m.from_host == s->host) return;
  if (m.ack > s->acked && m.ack <= s->local_next) s->acked = m.ack;
  const int ack_ahead = maps_after(m.map_ack, s->map_acked);
  if (s->host && m.map_ack && ack_ahead > 0 &&
      ack_ahead <= maps_after(s->map_current, s->map_acked))
    s->map_acked = m.map_ack;
  if (m.hash_frame && m.hash_frame % HASH_EVERY == 0) compare_hashes(s, m.hash_frame, m.hash);
  s->their_lead = m.lead;
  for (int i = 0; i < m.count; i++) {
    std::uint32_t f = m.first + static_cast<std::uint32_t>(i);
    if (f < m.first || f < s->remote_next || f >= s->confirmed + INPUT_RING) continue;
    if (s->remote_have[f % INPUT_RING]) continue;
    s->remote[f % INPUT_RING] = m.inputs[i];
    s->remote_have[f % INPUT_RING] = true;
  }
  count_known(s);
}

void take_map(Session* s, const Message& m) {
  if (s->host) return;
  int slot = m.map_id % MAP_RING;
  const int ahead = maps_after(m.map_id, s->map_acked);
  if (s->map_ids[slot] != m.map_id && m.map_id && ahead > 0 && ahead < MAP_RING) {
    s->maps[slot] = m.map;
    s->map_ids[slot] = m.map_id;
  }
  while (map_known(s, next_map_id(s->map_acked))) s->map_acked = next_map_id(s->map_acked);
  count_known(s);
}

int lead(const Session* s) {
  return static_cast<int>(s->frame) - static_cast<int>(s->remote_next);
}

void send_inputs(Session* s) {
  Message m;
  m.type = MSG_INPUTS;
  m.from_host = s->host;
  m.ack = s->remote_next;
  m.map_ack = s->host ? 0 : s->map_acked;
  m.hash_frame = s->newest_hash_frame;
  m.hash = s->newest_hash;
  int l = lead(s);
  m.lead = l < -LEAD_LIMIT ? -LEAD_LIMIT : l > LEAD_LIMIT ? LEAD_LIMIT : l;
  m.first = s->acked;
  std::uint32_t last = s->local_next;
  if (last - m.first > INPUTS_PER_MESSAGE) last = m.first + INPUTS_PER_MESSAGE;
  m.count = static_cast<int>(last - m.first);
  for (int i = 0; i < m.count; i++) m.inputs[i] = s->local[(m.first + i) % INPUT_RING];
  send(s, m);
}

// The other side's input for a group not known yet: its last keys, no speed mark (but
// the host's start level at the very start), its last map.
InputEntry guess(const Session* s, std::uint32_t group) {
  InputEntry e = s->last_theirs;
  e.level = group == 0 && !s->host ? static_cast<std::uint8_t>(s->start_level) : 0;
  return e;
}

// Runs one group's steps on the state as it stands, on both sides' commands, and keeps
// what the recording needs.
void run_steps(Session* s, GroupRun& r, const InputEntry& h, const InputEntry& g, int steps) {
  r.map_step = -1;
  r.steps = 0;
  FrameInput in;
  in.commands.player[0] = h.command;
  in.commands.player[1] = g.command;
  r.commands = in.commands;
  for (int i = 0; i < steps && !done; i++) {
    in.speed_level = i == 0 ? h.level : 0;
    in.map_given = i == 0;
    if (i == 0) in.map = s->maps[h.map % MAP_RING];
    const long reads = map_reads();
    if (s->run_step)
      s->run_step(in, session_steps_rerun, s->context);
    else
      run_frame_input(in, nullptr);
    if (map_reads() != reads) {
      r.map_step = i;
      r.map_read = map_last_read();
    }
    r.steps++;
  }
}

// The state before a group put back (the window's marks are the window's, never in it),
// and the loop's end mark: an Exit reached on a guess ends nothing, the loop ends only on
// final steps.
void put_back(const GroupRun& r) {
  snapshot_put(r.before);
  done = r.ended_before;
}

// Runs one group's steps on the state, from the inputs known or guessed, and keeps what
// the recording and the rollback need. Checking sync, the group is put back and run again
// at once, as a rollback would, and must end in the same state.
void run_group(Session* s, std::uint32_t group) {
  GroupRun& r = s->runs[group % SAVE_RING];
  snapshot_take(&r.before);
  r.ended_before = done;
  r.guessed = group >= s->remote_next;
  r.theirs = r.guessed ? guess(s, group) : s->remote[group % INPUT_RING];
  const InputEntry& mine = s->local[group % INPUT_RING];
  const InputEntry& h = s->host ? mine : r.theirs;
  const InputEntry& g = s->host ? r.theirs : mine;
  int steps = s->group_steps ? s->group_steps(group, s->context) : s->group_size[speed_level() - 1];
  if (steps < 1) steps = 1;
  r.level = h.level;
  run_steps(s, r, h, g, steps);
  if (s->sync_check) {
    const std::uint64_t first = State_Hash();
    put_back(r);
    const bool rerun = session_steps_rerun;
    session_steps_rerun = true;
    run_steps(s, r, h, g, steps);
    session_steps_rerun = rerun;
    if (State_Hash() != first && s->sync_failures++ == 0) s->first_unsynced = group;
  }
  r.hash = (group + 1) % HASH_EVERY == 0 ? State_Hash() : 0;
}

// Puts the state back to before `group` and runs it and every later group again.
void roll_back(Session* s, std::uint32_t group) {
  put_back(s->runs[group % SAVE_RING]);
  s->rollbacks++;
  session_steps_rerun = true;
  for (std::uint32_t g = group; g < s->frame; g++) {
    run_group(s, g);
    s->groups_rerun++;
    s->steps_rerun += s->runs[g % SAVE_RING].steps;
  }
  session_steps_rerun = false;
}

// Groups whose inputs are all known become final: their steps go to the recording, their
// hash to the other side.
void tell_window_notes(Session* s) {
  std::size_t told = 0;
  for (; told < s->window_notes.size() && s->window_notes[told].first <= s->confirmed; told++)
    if (s->on_window) s->on_window(s->window_notes[told].second, s->context);
  s->window_notes.erase(s->window_notes.begin(), s->window_notes.begin() + told);
}

void make_final(Session* s) {
  tell_window_notes(s);
  while (s->confirmed < s->frame && s->confirmed < s->remote_next) {
    const std::uint32_t group = s->confirmed;
    GroupRun& r = s->runs[group % SAVE_RING];
    if (s->on_final) {
      FrameInput in;
      in.commands = r.commands;
      for (int i = 0; i < r.steps; i++) {
        in.speed_level = i == 0 ? r.level : 0;
        s->on_final(in, i == r.map_step ? &r.map_read : nullptr, s->context);
      }
    }
    s->remote_have[group % INPUT_RING] = false;
    s->confirmed++;
    tell_window_notes(s);
    if (s->confirmed % HASH_EVERY != 0) continue;
    int slot = static_cast<int>(s->confirmed / HASH_EVERY % HASH_RING);
    s->own_hash_frame[slot] = s->confirmed;
    s->own_hash[slot] = r.hash;
    s->newest_hash_frame = s->confirmed;
    s->newest_hash = r.hash;
    if (s->their_hash_frame[slot] == s->confirmed)
      compare_hashes(s, s->confirmed, s->their_hash[slot]);
  }
}

}  // namespace

void session_begin(Session* s, bool host, const std::string& version, double now, int start_level) {
  *s = Session();
  s->host = host;
  s->version = version.substr(0, VERSION_TEXT_MAX);
  s->start_level = start_level >= 0 && start_level <= 3 ? start_level : 0;
  s->heard_ms = now;
  s->runs.resize(SAVE_RING);
}

bool session_set_map(Session* s, const MapText& map) {
  if (!s->host || s->phase == PHASE_ENDED) return false;
  int slot = s->map_current % MAP_RING;
  const MapText& now = s->maps[slot];
  if (s->map_current && now.present == map.present && now.text == map.text &&
      now.sector == map.sector && now.name == map.name && now.seeded == map.seeded &&
      now.seed == map.seed)
    return true;
  // the guest is far behind on maps: this one waits for a later call
  if (maps_after(s->map_current, s->map_acked) >= MAP_RING - 1) return false;
  s->map_current = next_map_id(s->map_current);
  slot = s->map_current % MAP_RING;
  s->maps[slot] = map;
  // a missing map has no text, and no map is longer than a map can be
  if (!map.present) s->maps[slot].text.clear();
  if (s->maps[slot].text.size() > MAP_TEXT_MAX) s->maps[slot].text.resize(MAP_TEXT_MAX);
  if (s->maps[slot].name.size() > MAP_NAME_MAX) s->maps[slot].name.resize(MAP_NAME_MAX);
  if (map.sector < SECTOR_MIN || map.sector > SECTOR_MAX) s->maps[slot].sector = 1;
  s->map_ids[slot] = s->map_current;
  s->map_sent_ms = -1e9;
  return true;
}

void session_receive(Session* s, const std::uint8_t* data, std::size_t size, double now) {
  Message m;
  if (s->phase == PHASE_ENDED) return;
  if (!decode_message(data, size, &m)) {
    s->dropped++;
    return;
  }
  s->heard_ms = now;
  switch (m.type) {
    case MSG_HELLO:
      if (!s->host) break;
      if (m.protocol != PROTOCOL || m.version != s->version) {
        Message r;
        r.type = MSG_REFUSE;
        r.reason = REFUSE_VERSION;
        r.version = s->version;
        send(s, r, GOODBYE_COPIES);
        end(s, version_message(m.version), 1);
      } else if (s->phase == PHASE_RUNNING) {
        send_welcome(s);  // the first one was lost
      } else if (!s->probing) {
        s->probing = true;  // poll sends the probes
        s->probing_since_ms = now;
      }
      break;
    case MSG_PROBE:
      if (!s->host) {
        send(s, m);
      } else if (s->phase == PHASE_CONNECTING && m.token && m.token <= s->probe_token &&
                 s->probe_token - m.token < 16) {
        if (!s->map_current) session_set_map(s, MapText());
        start_running(s);
        s->hold_until_ms = now + (now - s->probe_sent_ms[m.token % 16]) / 2;
        s->holding = true;
        send_welcome(s);
      }
      break;
    case MSG_WELCOME:
      if (s->host || s->phase != PHASE_CONNECTING) break;
      if (m.protocol != PROTOCOL || m.version != s->version) {
        end(s, version_message(m.version), 1);
        break;
      }
      s->start_level = m.start_level;
      s->map_current = m.map_id;
      for (int i = 0; i < 3; i++) s->group_size[i] = m.group_steps[i];
      start_running(s);
      break;
    case MSG_REFUSE:
      if (s->host || s->phase != PHASE_CONNECTING) break;
      end(s,
          m.reason == REFUSE_FULL ? std::string(tr("Tato hra uz ma dvoch hracov."))
                                  : version_message(m.version),
          1);
      break;
    case MSG_INPUTS:
      if (s->phase == PHASE_RUNNING) take_inputs(s, m);
      break;
    case MSG_MAP:
      if (s->phase == PHASE_RUNNING) take_map(s, m);
      break;
    case MSG_LEAVE: session_other_gone(s, m.reason); break;
    case MSG_DESYNC:
      if (s->phase == PHASE_RUNNING) end(s, disagreement(m.frame), 1);
      break;
  }
}

void session_poll(Session* s, double now) {
  if (s->phase == PHASE_ENDED) return;
  bool heard_from_other = s->phase == PHASE_RUNNING || s->probing;
  if (heard_from_other && now - s->heard_ms > SILENCE_LIMIT_MS) {
    session_other_gone(s, 0);
    return;
  }
  // a guest that greets and then never completes the handshake is let go, without a word
  if (s->host && s->probing && s->phase == PHASE_CONNECTING &&
      now - s->probing_since_ms > HANDSHAKE_LIMIT_MS) {
    end(s, "", 1);
    return;
  }
  if (s->holding && now >= s->hold_until_ms) s->holding = false;
  if (s->phase == PHASE_CONNECTING) {
    if (!s->host && now - s->sent_ms >= HELLO_EVERY_MS) {
      Message h;
      h.type = MSG_HELLO;
      h.protocol = PROTOCOL;
      h.version = s->version;
      send(s, h);
      s->sent_ms = now;
    }
    if (s->host && s->probing && now - s->probe_ms >= HELLO_EVERY_MS) {
      Message p;
      p.type = MSG_PROBE;
      p.token = ++s->probe_token;
      send(s, p);
      s->probe_ms = s->probe_sent_ms[p.token % 16] = now;
    }
    return;
  }
  if (s->host && s->map_current != s->map_acked && now - s->map_sent_ms >= MAP_EVERY_MS) {
    std::uint16_t id = s->map_acked;
    do {
      id = next_map_id(id);
      Message m;
      m.type = MSG_MAP;
      m.map_id = id;
      m.map = s->maps[id % MAP_RING];
      send(s, m);
    } while (id != s->map_current);
    s->map_sent_ms = now;
  }
  // a fast machine's groups go out a few at a time, so a slow link is not flooded
  if ((s->sent_news && now - s->sent_ms >= SEND_GAP_MS) || now - s->sent_ms >= RESEND_MS) {
    send_inputs(s);
    s->sent_news = false;
    s->sent_ms = now;
  }
}

void session_set_group_steps(Session* s, const int steps[3]) {
  for (int i = 0; i < 3; i++) s->group_size[i] = std::clamp(steps[i], 1, GROUP_STEPS_MOST);
}

int session_next_group_steps(const Session* s) {
  return s->group_steps ? s->group_steps(s->frame, s->context) : s->group_size[speed_level() - 1];
}

int session_groups_due(Session* s, StepClock* clock, std::int64_t now_ns, bool shown) {
  const int level = speed_level();
  const int size = std::max(1, session_next_group_steps(s));
  // half a group in credit from the start, so pictures at the group rate each start one
  // group however they jitter, as the step clock does for steps
  if (!clock->running) s->steps_owed = size / 2;
  s->steps_owed += steps_before_picture(clock, now_ns, level, shown);
  // a side that waits for the other keeps two groups owed at most, to make up a moment's
  // wait at once; for a longer wait it owes nothing, so it never runs far ahead after
  const long long most =
      session_wants_input(s) ? std::max(step_rate(level) / 4, size) : 2LL * size + size / 2;
  s->steps_owed = std::min(s->steps_owed, most);
  return static_cast<int>(s->steps_owed / size);
}

bool session_wants_input(const Session* s) {
  if (s->phase != PHASE_RUNNING || s->holding || done || s->local_next != s->frame) return false;
  if (s->frame - s->confirmed >= PREDICT_MAX || s->local_next - s->acked >= INPUT_RING - 1)
    return false;
  // the side that runs further past the other's keys than the other does waits a picture,
  // so both run the same groups at about the same time
  return lead(s) - s->their_lead <= LEAD_SLACK;
}

void session_add_input(Session* s, PlayerCommand command, int speed_level) {
  if (!session_wants_input(s)) return;
  InputEntry e;
  e.command = command;
  if (s->local_next == 0 && s->host && !speed_level) speed_level = s->start_level;
  e.level = static_cast<std::uint8_t>(speed_level >= 0 && speed_level <= 3 ? speed_level : 0);
  e.map = s->host ? s->map_current : 0;
  s->steps_owed = std::max(0LL, s->steps_owed - std::max(1, session_next_group_steps(s)));
  s->local[s->local_next % INPUT_RING] = e;
  s->local_next++;
  s->sent_news = true;
}

int session_advance(Session* s) {
  if (s->phase != PHASE_RUNNING) return 0;
  for (std::uint32_t g = s->confirmed; g < s->frame && g < s->remote_next; g++) {
    const GroupRun& r = s->runs[g % SAVE_RING];
    if (r.guessed && !same_input(r.theirs, s->remote[g % INPUT_RING])) {
      roll_back(s, g);
      break;
    }
  }
  make_final(s);
  int ran = 0;
  while (s->phase == PHASE_RUNNING && !s->holding && !done && s->frame < s->local_next &&
         s->frame - s->confirmed < PREDICT_MAX &&
         (s->host || s->frame < s->remote_next || map_known(s, s->last_theirs.map))) {
    run_group(s, s->frame);
    s->frame++;
    ran++;
    make_final(s);
  }
  // Gone without a word before this side's game ended: lost, unless the other side said it
  // ended the game, or this side's own steps ended it (the goodbye was what got lost). On the
  // step clock this side may still be a few groups short of the keys both sides sent: those
  // run first.
  if (s->other_lost && !session_finished(s)) {
    if (s->other_ended || done)
      end(s, "", 0);
    else if (s->frame >= s->remote_next)
      end(s, tr("Spojenie s druhym hracom sa stratilo."), 1);
  }
  return ran;
}

void session_note_window(Session* s, bool is_active) {
  s->window_notes.emplace_back(s->frame, is_active);
  tell_window_notes(s);
}

bool session_finished(const Session* s) {
  return done && s->confirmed == s->frame;
}

void session_leave(Session* s, int reason) {
  if (s->phase == PHASE_ENDED) return;
  Message m;
  m.type = MSG_LEAVE;
  m.reason = reason;
  send(s, m, GOODBYE_COPIES);
  end(s, "", 0);
}

void session_other_gone(Session* s, int reason) {
  if (s->host && s->phase == PHASE_CONNECTING) {
    end(s, "", 1);  // a guest gone before it played: the host waits on without a word
    return;
  }
  if (reason == LEAVE_EXIT)
    s->other_ended = true;  // its steps ended the game: ours will too, at the same step
  else if (reason != 0)
    end(s, tr("Druhy hrac odisiel."), 0);
  else if (s->phase == PHASE_RUNNING)
    s->other_lost = true;  // what came before the silence may still end the game
  else
    end(s, tr("Spojenie s druhym hracom sa stratilo."), 1);
}

bool session_delivered(const Session* s) {
  return s->phase != PHASE_RUNNING || s->other_ended || s->acked >= s->frame;
}

bool session_is_greeting(const std::uint8_t* data, std::size_t size) {
  Message m;
  return decode_message(data, size, &m) && m.type == MSG_HELLO;
}

std::string session_refuse_full(const std::string& version) {
  Message r;
  r.type = MSG_REFUSE;
  r.reason = REFUSE_FULL;
  r.version = version;
  return encode_message(r);
}
