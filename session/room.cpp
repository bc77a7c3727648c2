// Room codes and the JSON texts of the meeting servers, read with nlohmann's parser in its
// non-throwing mode: a text it cannot parse is simply not one of ours.
#include "session/room.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sstream>

using nlohmann::json;

namespace {

constexpr std::size_t SDP_MAX = 7000;  // what fits a message with its envelope
constexpr std::size_t CANDIDATE_MAX = 512;
constexpr std::size_t MID_MAX = 64;
constexpr std::size_t GAME_MAX = 32;
constexpr std::size_t LOBBY_TEXT_MAX = 64;
constexpr std::size_t CREDENTIAL_MAX = 256;
constexpr std::size_t RELAYS_MAX = 8;

const char* const SIGNAL_NAMES[] = {"", "offer", "answer", "candidate", "full", "gone"};

// Printable ASCII only, no control characters: what goes on a screen or into a log.
bool printable(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

// A session description: lines of printable text ending in CR LF or LF.
bool sdp_text(const std::string& s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return (c >= 0x20 && c < 0x7f) || c == '\r' || c == '\n'; });
}

// The string field name of o, at most max bytes and accepted by ok; false when missing,
// not a string, too long or refused.
bool text_field(const json& o, const char* name, std::size_t max, bool (*ok)(const std::string&),
                std::string* out) {
  auto it = o.find(name);
  if (it == o.end() || !it->is_string()) return false;
  const std::string& s = it->get_ref<const std::string&>();
  if (s.size() > max || !ok(s)) return false;
  *out = s;
  return true;
}

bool peer_id(const std::string& s) {
  return s.size() == PEER_ID_LENGTH && std::all_of(s.begin(), s.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

bool parse_object(const char* data, std::size_t size, std::size_t max, json* out) {
  if (!data || size == 0 || size > max) return false;
  *out = json::parse(data, data + size, nullptr, false);
  return out->is_object();
}

bool whole_number(const json& o, const char* name, long long low, long long high, long long* out) {
  auto it = o.find(name);
  if (it == o.end() || !it->is_number_integer()) return false;
  long long n = it->get<long long>();
  if (n < low || n > high) return false;
  *out = n;
  return true;
}

bool read_relay(const std::string& uri, RelayServer* r) {
  std::string rest;
  if (uri.rfind("turn:", 0) == 0) {
    rest = uri.substr(5);
  } else if (uri.rfind("turns:", 0) == 0) {
    rest = uri.substr(6);
    r->tls = r->tcp = true;
    r->port = 5349;
  } else {
    return false;
  }
  std::string query;
  std::size_t q = rest.find('?');
  if (q != std::string::npos) {
    query = rest.substr(q + 1);
    rest = rest.substr(0, q);
  }
  if (query == "transport=tcp")
    r->tcp = true;
  else if (!query.empty() && query != "transport=udp")
    return false;
  Url url;
  if (!url_read("x://" + rest, &url) || !url.path.empty()) return false;
  r->host = url.host;
  if (url.port) r->port = url.port;
  return true;
}

}  // namespace

std::string encode_signal(const Signal& s) {
  json o = {{"v", SIGNAL_VERSION}, {"t", SIGNAL_NAMES[s.type]}};
  if (!s.from.empty()) o["from"] = s.from;
  if (s.type == SIGNAL_OFFER || s.type == SIGNAL_ANSWER) {
    o["game"] = s.game;
    o["sdp"] = s.sdp;
  }
  if (s.type == SIGNAL_CANDIDATE) {
    o["candidate"] = s.candidate;
    o["mid"] = s.mid;
  }
  return o.dump();
}

bool decode_signal(const char* data, std::size_t size, Signal* out) {
  json o;
  if (!parse_object(data, size, SIGNAL_SIZE_MAX, &o)) return false;
  long long version = 0;
  std::string type;
  if (!whole_number(o, "v", SIGNAL_VERSION, SIGNAL_VERSION, &version)) return false;
  if (!text_field(o, "t", 16, printable, &type)) return false;
  Signal s;
  auto named = std::find(std::begin(SIGNAL_NAMES) + 1, std::end(SIGNAL_NAMES), type);
  if (named == std::end(SIGNAL_NAMES)) return false;
  s.type = static_cast<SignalType>(named - std::begin(SIGNAL_NAMES));
  if (o.contains("from") && !text_field(o, "from", PEER_ID_LENGTH, peer_id, &s.from)) return false;
  if (s.type == SIGNAL_OFFER || s.type == SIGNAL_ANSWER) {
    if (!text_field(o, "game", GAME_MAX, printable, &s.game) ||
        !text_field(o, "sdp", SDP_MAX, sdp_text, &s.sdp) || s.sdp.empty())
      return false;
  }
  if (s.type == SIGNAL_CANDIDATE) {
    if (!text_field(o, "candidate", CANDIDATE_MAX, printable, &s.candidate) ||
        !text_field(o, "mid", MID_MAX, printable, &s.mid))
      return false;
  }
  *out = s;
  return true;
}

bool decode_server_info(const std::string& text, ServerInfo* info) {
  json o;
  if (!parse_object(text.data(), text.size(), SERVER_TEXT_MAX, &o)) return false;
  long long version = 0;
  ServerInfo got;
  Url url;
  if (!whole_number(o, "version", 1, 1, &version) ||
      !text_field(o, "mqtt", 256, printable, &got.mqtt) ||
      !text_field(o, "turn_credentials", 256, printable, &got.turn_credentials))
    return false;
  if (!url_read(got.mqtt, &url) || (url.scheme != "mqtt" && url.scheme != "mqtts")) return false;
  if (got.turn_credentials.empty() || got.turn_credentials[0] != '/') return false;
  // the browsers' way in is optional: a server for desktops only leaves it out
  if (o.contains("mqtt_ws") &&
      (!text_field(o, "mqtt_ws", 256, printable, &got.mqtt_ws) || !url_read(got.mqtt_ws, &url) ||
       (url.scheme != "ws" && url.scheme != "wss")))
    return false;
  *info = got;
  return true;
}

bool decode_relay_credentials(const std::string& text, RelayCredentials* c) {
  json o;
  if (!parse_object(text.data(), text.size(), SERVER_TEXT_MAX, &o)) return false;
  RelayCredentials got;
  if (!text_field(o, "username", CREDENTIAL_MAX, printable, &got.username) ||
      !text_field(o, "password", CREDENTIAL_MAX, printable, &got.password))
    return false;
  // coturn's time-limited scheme: the user name starts with the moment it stops working
  std::size_t colon = got.username.find(':');
  std::string expiry = got.username.substr(0, colon);
  if (expiry.empty() || expiry.size() > 12 || !std::all_of(expiry.begin(), expiry.end(), ::isdigit))
    return false;
  got.expires = std::stoll(expiry);
  auto uris = o.find("uris");
  if (uris == o.end() || !uris->is_array() || uris->empty() || uris->size() > RELAYS_MAX)
    return false;
  for (const json& u : *uris) {
    RelayServer r;
    if (!u.is_string() || u.get_ref<const std::string&>().size() > 256 ||
        !read_relay(u.get<std::string>(), &r))
      return false;
    got.relays.push_back(r);
  }
  *c = got;
  return true;
}

std::string encode_lobby_entry(const LobbyEntry& e) {
  json o = {{"v", 1}, {"name", e.name}, {"arena", e.arena}, {"created", e.created}};
  return o.dump();
}

bool decode_lobby_entry(const char* data, std::size_t size, LobbyEntry* out) {
  json o;
  if (!parse_object(data, size, LOBBY_ENTRY_MAX, &o)) return false;
  long long version = 0;
  LobbyEntry e;
  if (!whole_number(o, "v", 1, 1, &version) ||
      !text_field(o, "name", LOBBY_TEXT_MAX, printable, &e.name) ||
      !text_field(o, "arena", LOBBY_TEXT_MAX, printable, &e.arena) ||
      !whole_number(o, "created", 0, 1LL << 40, &e.created))
    return false;
  *out = e;
  return true;
}

bool url_read(const std::string& text, Url* out) {
  Url url;
  std::size_t sep = text.find("://");
  if (sep == std::string::npos || sep == 0 || !printable(text)) return false;
  url.scheme = text.substr(0, sep);
  std::string rest = text.substr(sep + 3);
  std::size_t slash = rest.find('/');
  if (slash != std::string::npos) {
    url.path = rest.substr(slash);
    rest = rest.substr(0, slash);
  }
  if (rest.find('@') != std::string::npos) return false;  // no passwords in a server's address
  std::string port;
  if (!rest.empty() && rest[0] == '[') {
    std::size_t close = rest.find(']');
    if (close == std::string::npos) return false;
    url.host = rest.substr(1, close - 1);
    std::string after = rest.substr(close + 1);
    if (!after.empty() && after[0] != ':') return false;
    if (!after.empty()) port = after.substr(1);
    if (after == ":") return false;
  } else {
    std::size_t colon = rest.find(':');
    url.host = rest.substr(0, colon);
    if (colon != std::string::npos) {
      port = rest.substr(colon + 1);
      if (port.empty()) return false;
    }
  }
  if (url.host.empty() || url.host.find_first_of(" ?#") != std::string::npos) return false;
  if (!port.empty()) {
    if (port.size() > 5 || !std::all_of(port.begin(), port.end(), ::isdigit)) return false;
    url.port = std::stoi(port);
    if (url.port < 1 || url.port > 65535) return false;
  }
  *out = url;
  return true;
}

bool is_loopback_host(const std::string& host) {
  if (host == "localhost" || host == "::1") return true;
  in_addr a;
  return inet_pton(AF_INET, host.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

bool candidate_is_relayed(const std::string& candidate) {
  std::istringstream words(candidate);
  std::string word;
  while (words >> word)
    if (word == "typ") return words >> word && word == "relay";
  return false;
}
