// The session's messages to and from bytes.
#include "session/messages.h"

#include <algorithm>
#include <cstring>

namespace {

void put8(std::string* out, unsigned v) {
  out->push_back(static_cast<char>(v & 0xff));
}
void put16(std::string* out, unsigned v) {
  put8(out, v);
  put8(out, v >> 8);
}
void put32(std::string* out, std::uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}
void put64(std::string* out, std::uint64_t v) {
  put32(out, static_cast<std::uint32_t>(v));
  put32(out, static_cast<std::uint32_t>(v >> 32));
}
void put_version(std::string* out, const std::string& version) {
  size_t n = version.size() < VERSION_TEXT_MAX ? version.size() : VERSION_TEXT_MAX;
  put8(out, static_cast<unsigned>(n));
  out->append(version, 0, n);
}

// Reads numbers off the bytes, failing for good once anything runs past their end.
struct Cursor {
  const std::uint8_t* data;
  std::size_t size, at;
  bool ok = true;
  std::uint64_t get(int bytes) {
    if (!ok || size - at < static_cast<std::size_t>(bytes)) {
      ok = false;
      return 0;
    }
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; i--) v = v << 8 | data[at + i];
    at += bytes;
    return v;
  }
  bool text(std::size_t n, std::string* out) {
    if (!ok || size - at < n) return ok = false;
    out->assign(reinterpret_cast<const char*>(data + at), n);
    at += n;
    return true;
  }
};

// A game version: printable characters only, so it can go into a message box.
bool get_version(Cursor* c, std::string* version) {
  std::size_t n = c->get(1);
  if (n > VERSION_TEXT_MAX || !c->text(n, version)) return false;
  for (char ch : *version)
    if (ch < 0x20 || ch > 0x7e) return false;
  return true;
}

// The sender's player: the host plays player 1, the guest player 2.
int sender(bool from_host) {
  return from_host ? 1 : 2;
}

// A key no step reads is taken and left out of the command.
bool get_entry(Cursor* c, bool from_host, InputEntry* e) {
  std::size_t n = c->get(1);
  if (n > KEYS_DOWN_MAX) return false;
  e->command = PlayerCommand();
  int last = 0;
  for (std::size_t i = 0; i < n; i++) {
    int code = static_cast<int>(c->get(1));
    if (code <= last) return false;  // 0 is no key; each code once, rising
    const int bit = command_bit(sender(from_host), code);
    if (bit >= 0) e->command.set(bit, true);
    last = code;
  }
  e->level = static_cast<std::uint8_t>(c->get(1));
  e->map = static_cast<std::uint16_t>(c->get(2));
  return c->ok && e->level <= 3 && (from_host ? e->map != 0 : e->map == 0);
}

// A command as the codes of its keys, rising (at most KEYS_DOWN_MAX of them).
void put_command(std::string* out, int player, PlayerCommand command) {
  bool down[KEY_CODES] = {};
  for (int bit = 0; bit < COMMAND_BITS; bit++)
    if (command.holds(bit)) down[command_code(player, bit)] = true;
  std::string codes;
  for (int code = 1; code < KEY_CODES && codes.size() < KEYS_DOWN_MAX; code++)
    if (down[code]) codes.push_back(static_cast<char>(code));
  put8(out, static_cast<unsigned>(codes.size()));
  *out += codes;
}

}  // namespace

std::string encode_message(const Message& m) {
  std::string out = "KV";
  put8(&out, m.type);
  switch (m.type) {
    case MSG_HELLO:
      put16(&out, m.protocol);
      put_version(&out, m.version);
      break;
    case MSG_PROBE: put32(&out, m.token); break;
    case MSG_WELCOME:
      put16(&out, m.protocol);
      put_version(&out, m.version);
      put8(&out, m.delay);
      put8(&out, m.start_level);
      put16(&out, m.map_id);
      for (int steps : m.group_steps) put16(&out, steps);
      break;
    case MSG_REFUSE:
      put8(&out, m.reason);
      put_version(&out, m.version);
      break;
    case MSG_INPUTS:
      put8(&out, m.from_host ? 1 : 0);
      put32(&out, m.ack);
      put16(&out, m.map_ack);
      put32(&out, m.hash_frame);
      put64(&out, m.hash);
      put8(&out, static_cast<unsigned>(m.lead + LEAD_LIMIT));
      put32(&out, m.first);
      put8(&out, m.count);
      for (int i = 0; i < m.count; i++) {
        const InputEntry& e = m.inputs[i];
        put_command(&out, sender(m.from_host), e.command);
        put8(&out, e.level);
        put16(&out, e.map);
      }
      break;
    case MSG_MAP:
      put16(&out, m.map_id);
      put8(&out, m.map.present);
      put16(&out, static_cast<unsigned>(m.map.text.size()));
      out += m.map.text;
      put8(&out, static_cast<unsigned>(m.map.sector));
      put8(&out, static_cast<unsigned>(std::min(m.map.name.size(), MAP_NAME_MAX)));
      out.append(m.map.name, 0, MAP_NAME_MAX);
      put8(&out, m.map.seeded ? 1 : 0);
      put32(&out, m.map.seed);
      break;
    case MSG_LEAVE: put8(&out, m.reason); break;
    case MSG_DESYNC: put32(&out, m.frame); break;
  }
  return out;
}

bool decode_message(const std::uint8_t* data, std::size_t size, Message* m) {
  Cursor c{data, size, 0};
  if (size < 3 || data[0] != 'K' || data[1] != 'V') return false;
  c.at = 2;
  m->type = static_cast<int>(c.get(1));
  switch (m->type) {
    case MSG_HELLO:
      m->protocol = static_cast<int>(c.get(2));
      if (!get_version(&c, &m->version)) return false;
      break;
    case MSG_PROBE: m->token = static_cast<std::uint32_t>(c.get(4)); break;
    case MSG_WELCOME:
      m->protocol = static_cast<int>(c.get(2));
      if (!get_version(&c, &m->version)) return false;
      m->delay = static_cast<int>(c.get(1));
      m->start_level = static_cast<int>(c.get(1));
      m->map_id = static_cast<std::uint16_t>(c.get(2));
      if (m->delay > INPUT_DELAY_MAX || m->start_level > 3 || !m->map_id) return false;
      for (int& steps : m->group_steps) {
        steps = static_cast<int>(c.get(2));
        if (steps < 1 || steps > GROUP_STEPS_MOST) return false;
      }
      break;
    case MSG_REFUSE:
      m->reason = static_cast<int>(c.get(1));
      if (!get_version(&c, &m->version)) return false;
      if (m->reason != REFUSE_VERSION && m->reason != REFUSE_FULL) return false;
      break;
    case MSG_INPUTS: {
      int from_host = static_cast<int>(c.get(1));
      m->from_host = from_host == 1;
      m->ack = static_cast<std::uint32_t>(c.get(4));
      m->map_ack = static_cast<std::uint16_t>(c.get(2));
      m->hash_frame = static_cast<std::uint32_t>(c.get(4));
      m->hash = c.get(8);
      m->lead = static_cast<int>(c.get(1)) - LEAD_LIMIT;
      m->first = static_cast<std::uint32_t>(c.get(4));
      m->count = static_cast<int>(c.get(1));
      if (from_host > 1 || m->count > INPUTS_PER_MESSAGE || m->lead > LEAD_LIMIT) return false;
      for (int i = 0; i < m->count; i++)
        if (!get_entry(&c, m->from_host, &m->inputs[i])) return false;
      break;
    }
    case MSG_MAP: {
      m->map_id = static_cast<std::uint16_t>(c.get(2));
      int present = static_cast<int>(c.get(1));
      std::size_t n = c.get(2);
      if (m->map_id == 0 || present > 1 || n > MAP_TEXT_MAX || (!present && n)) return false;
      m->map.present = present;
      if (!c.text(n, &m->map.text)) return false;
      // the sector it plays as, and the arena's name, shown as it stands: printable only
      m->map.sector = static_cast<int>(c.get(1));
      std::size_t name = c.get(1);
      if (m->map.sector > SECTOR_MAX || name > MAP_NAME_MAX || !c.text(name, &m->map.name))
        return false;
      for (char ch : m->map.name)
        if (ch < 0x20 || ch > 0x7e) return false;
      // the seed the match starts on it reseed the bows with
      const int seeded = static_cast<int>(c.get(1));
      m->map.seed = static_cast<std::uint32_t>(c.get(4));
      if (seeded > 1) return false;
      m->map.seeded = seeded;
      break;
    }
    case MSG_LEAVE:
      m->reason = static_cast<int>(c.get(1));
      if (m->reason != LEAVE_CLOSED && m->reason != LEAVE_EXIT) return false;
      break;
    case MSG_DESYNC: m->frame = static_cast<std::uint32_t>(c.get(4)); break;
    default: return false;
  }
  return c.ok && c.at == size;
}
