// The lockstep session: inputs in, frames out, the same on both machines.
#include "session/lockstep.h"

#include <cmath>
#include <cstring>

#include "flow/screen.h"
#include "state/bindings.h"
#include "state/lybrary3.h"

namespace {

constexpr double HELLO_EVERY_MS = 100;
constexpr double MAP_EVERY_MS = 100;
constexpr int GOODBYE_COPIES = 3;  // a lossy link still carries one of them

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
  return "The other game is version " + theirs + "; both need the same version.";
}

// Both machines know the inputs of the first delay frames without sending them: no keys,
// the host's starting level and map.
void start_running(Session* s) {
  s->phase = PHASE_RUNNING;
  s->frame = 0;
  for (int f = 0; f < s->delay; f++) {
    InputEntry host_entry, guest_entry;
    host_entry.level = f == 0 ? static_cast<std::uint8_t>(s->start_level) : 0;
    host_entry.map = s->map_current;
    s->local[f] = s->host ? host_entry : guest_entry;
    s->remote[f] = s->host ? guest_entry : host_entry;
    s->remote_have[f] = true;
  }
  s->local_next = s->remote_next = s->acked = static_cast<std::uint32_t>(s->delay);
  s->sent_news = true;
}

// The welcome, with what both need to begin.
void send_welcome(Session* s) {
  Message w;
  w.type = MSG_WELCOME;
  w.protocol = PROTOCOL;
  w.version = s->version;
  w.delay = s->delay;
  w.start_level = s->start_level;
  w.map_id = s->map_current;
  send(s, w);
}

// The input delay that hides the way from one machine to the other (and the wait for the
// next send) at the host's frame rate, with a frame to spare for the time between taking an input
// and sending it. (The host starts half a round trip late, so both begin together.)
int pick_delay(double round_trip_ms, double frame_ms) {
  double one_way = round_trip_ms / 2 + SEND_GAP_MS;
  double frames = std::ceil(one_way / (frame_ms > 0.01 ? frame_ms : 0.01)) + 1;
  if (frames < 2) return 2;
  return frames > INPUT_DELAY_MAX ? INPUT_DELAY_MAX : static_cast<int>(frames);
}

// Map numbers run from 1 to 65535 and then start again at 1: 0 is no map.
std::uint16_t next_map_id(std::uint16_t id) {
  return id == 65535 ? 1 : static_cast<std::uint16_t>(id + 1);
}

// How many maps id lies after base on that round (0, the start, counts as 65535).
int maps_after(std::uint16_t id, std::uint16_t base) {
  return (id - base + 65535) % 65535;
}

bool map_known(const Session* s, std::uint16_t id) {
  return id != 0 && s->map_ids[id % MAP_RING] == id;
}

// Compares the hashes both sides have for one frame.
void compare_hashes(Session* s, std::uint32_t hash_frame, std::uint64_t theirs) {
  int slot = static_cast<int>(hash_frame / HASH_EVERY % HASH_RING);
  if (s->own_hash_frame[slot] == hash_frame) {
    if (s->own_hash[slot] != theirs) {
      Message d;
      d.type = MSG_DESYNC;
      d.frame = hash_frame;
      send(s, d, GOODBYE_COPIES);
      end(s, "The two games no longer agree (frame " + std::to_string(hash_frame) + ").", 1);
    }
  } else if (hash_frame > s->newest_hash_frame) {
    s->their_hash_frame[slot] = hash_frame;
    s->their_hash[slot] = theirs;
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
  for (int i = 0; i < m.count; i++) {
    std::uint32_t f = m.first + static_cast<std::uint32_t>(i);
    if (f < m.first || f < s->frame || f >= s->frame + INPUT_RING) continue;  // done or too far
    if (s->remote_have[f % INPUT_RING]) continue;
    s->remote[f % INPUT_RING] = m.inputs[i];
    s->remote_have[f % INPUT_RING] = true;
  }
  while (s->remote_next < s->frame + INPUT_RING && s->remote_have[s->remote_next % INPUT_RING])
    s->remote_next++;
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
}

void send_inputs(Session* s) {
  Message m;
  m.type = MSG_INPUTS;
  m.from_host = s->host;
  m.ack = s->remote_next;
  m.map_ack = s->host ? 0 : s->map_acked;
  m.hash_frame = s->newest_hash_frame;
  m.hash = s->newest_hash;
  m.first = s->acked;
  std::uint32_t last = s->local_next;
  if (last - m.first > INPUTS_PER_MESSAGE) last = m.first + INPUTS_PER_MESSAGE;
  m.count = static_cast<int>(last - m.first);
  for (int i = 0; i < m.count; i++) m.inputs[i] = s->local[(m.first + i) % INPUT_RING];
  send(s, m);
}

}  // namespace

void session_begin(Session* s, bool host, const std::string& version, double now, double frame_ms,
                   int start_level) {
  *s = Session();
  s->host = host;
  s->version = version.substr(0, VERSION_TEXT_MAX);
  s->frame_ms = frame_ms;
  s->start_level = start_level >= 0 && start_level <= 3 ? start_level : 0;
  s->heard_ms = now;
}

void session_set_map(Session* s, const MapText& map) {
  if (!s->host || s->phase == PHASE_ENDED) return;
  int slot = s->map_current % MAP_RING;
  if (s->map_current && s->maps[slot].present == map.present && s->maps[slot].text == map.text)
    return;
  // the guest is far behind on maps: this one waits for a later call
  if (maps_after(s->map_current, s->map_acked) >= MAP_RING - 1) return;
  s->map_current = next_map_id(s->map_current);
  slot = s->map_current % MAP_RING;
  s->maps[slot] = map;
  // a missing map has no text, and no map is longer than a map can be
  if (!map.present) s->maps[slot].text.clear();
  if (s->maps[slot].text.size() > MAP_TEXT_MAX) s->maps[slot].text.resize(MAP_TEXT_MAX);
  s->map_ids[slot] = s->map_current;
  s->map_sent_ms = -1e9;
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
      } else {
        s->probing = true;  // poll sends the probes
      }
      break;
    case MSG_PROBE:
      if (!s->host) {
        send(s, m);
      } else if (s->phase == PHASE_CONNECTING && m.token == s->probe_token && s->probe_token) {
        if (!s->map_current) session_set_map(s, MapText());
        s->delay = pick_delay(now - s->probe_ms, s->frame_ms);
        start_running(s);
        s->hold_until_ms = now + (now - s->probe_ms) / 2;
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
      s->delay = m.delay;
      s->start_level = m.start_level;
      s->map_current = m.map_id;
      start_running(s);
      break;
    case MSG_REFUSE:
      if (s->host || s->phase != PHASE_CONNECTING) break;
      end(s,
          m.reason == REFUSE_FULL ? "This game already has two players."
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
      if (s->phase == PHASE_RUNNING)
        end(s, "The two games no longer agree (frame " + std::to_string(m.frame) + ").", 1);
      break;
  }
}

void session_poll(Session* s, double now) {
  if (s->phase == PHASE_ENDED) return;
  bool heard_from_other = s->phase == PHASE_RUNNING || s->probing;
  if (heard_from_other && now - s->heard_ms > SILENCE_LIMIT_MS) {
    end(s, "The connection to the other player was lost.", 1);
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
      s->probe_ms = now;
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
  // a fast machine's frames go out a few at a time, so a slow link is not flooded
  if ((s->sent_news && now - s->sent_ms >= SEND_GAP_MS) || now - s->sent_ms >= RESEND_MS) {
    send_inputs(s);
    s->sent_news = false;
    s->sent_ms = now;
  }
}

bool session_wants_input(const Session* s) {
  return s->phase == PHASE_RUNNING && s->local_next < s->frame + s->delay &&
         s->local_next - s->acked < INPUT_RING - 1;
}

void session_add_input(Session* s, const bool held[KEY_CODES], int speed_level) {
  if (!session_wants_input(s)) return;
  InputEntry e;
  for (int code = 1; code < KEY_CODES && e.count < KEYS_DOWN_MAX; code++)
    if (held[code]) e.codes[e.count++] = static_cast<std::uint8_t>(code);
  e.level = static_cast<std::uint8_t>(speed_level >= 0 && speed_level <= 3 ? speed_level : 0);
  e.map = s->host ? s->map_current : 0;
  s->local[s->local_next % INPUT_RING] = e;
  s->local_next++;
  s->sent_news = true;
}

bool session_ready(const Session* s) {
  if (s->phase != PHASE_RUNNING || s->frame >= s->local_next || s->frame >= s->remote_next ||
      s->holding)
    return false;
  const InputEntry& h =
      s->host ? s->local[s->frame % INPUT_RING] : s->remote[s->frame % INPUT_RING];
  return map_known(s, h.map);
}

void session_frame_input(const Session* s, FrameInput* in) {
  const InputEntry& mine = s->local[s->frame % INPUT_RING];
  const InputEntry& theirs = s->remote[s->frame % INPUT_RING];
  const InputEntry& h = s->host ? mine : theirs;
  merge_keys(h, s->host ? theirs : mine, in->keys);
  in->speed_level = h.level;
  in->map_given = true;
  in->map = s->maps[h.map % MAP_RING];
}

void session_frame_done(Session* s, std::uint64_t state_hash) {
  s->remote_have[s->frame % INPUT_RING] = false;
  s->frame++;
  if (s->frame % HASH_EVERY != 0) return;
  int slot = static_cast<int>(s->frame / HASH_EVERY % HASH_RING);
  s->own_hash_frame[slot] = s->frame;
  s->own_hash[slot] = state_hash;
  s->newest_hash_frame = s->frame;
  s->newest_hash = state_hash;
  if (s->their_hash_frame[slot] == s->frame) compare_hashes(s, s->frame, s->their_hash[slot]);
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
  if (reason == LEAVE_EXIT)
    s->other_ended = true;  // its frames ended the game: ours will too, at the same frame
  else if (reason != 0)
    end(s, "The other player has left.", 0);
  else
    end(s, "The connection to the other player was lost.", 1);
}

bool session_delivered(const Session* s) {
  return s->phase != PHASE_RUNNING || s->other_ended || s->acked >= s->frame;
}

std::string session_refuse_full(const std::string& version) {
  Message r;
  r.type = MSG_REFUSE;
  r.reason = REFUSE_FULL;
  r.version = version;
  return encode_message(r);
}

void merge_keys(const InputEntry& host, const InputEntry& guest, bool out[KEY_CODES]) {
  const bool play = move;
  const bool colour = screen_up() == SCREEN_COLOUR;
  std::memset(out, 0, KEY_CODES);
  for (int side = 0; side < 2; side++) {
    const InputEntry& e = side == 0 ? host : guest;
    for (int i = 0; i < e.count; i++) {
      // either hand's key for an action acts as this side's own key for it
      int code = e.codes[i], hand_player = 0;
      int action = game_action(code, &hand_player);
      bool own = play ? action >= 0 : colour && (action == ACTION_LEFT || action == ACTION_RIGHT);
      out[own ? game_key(side + 1, Action(action)) : code] = true;
    }
  }
}
