// Rooms on the meeting servers: two games that cannot reach each other's address meet by a
// six-character code. The host's and the guest's game say what they need to open a data
// channel (offer, answer, the ways each can be reached) through the broker, as small JSON
// texts; the servers describe themselves and hand out relay credentials as JSON too. This
// file is their words and the readers of everything that comes from outside: any bytes at
// all are either a whole, well-formed text of its kind or refused, never half taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "session/room_code.h"

constexpr std::size_t SIGNAL_SIZE_MAX = 8192;  // bytes of one broker message, at most
constexpr std::size_t LOBBY_ENTRY_MAX = 512;   // bytes of a room's lobby entry
constexpr std::size_t SERVER_TEXT_MAX = 8192;  // bytes of a server's answer we read
constexpr int SIGNAL_VERSION = 1;
constexpr int PEER_ID_LENGTH = 16;  // a guest's own id on the broker: hex digits

enum SignalType {
  SIGNAL_OFFER = 1,  // guest -> host: its session description
  SIGNAL_ANSWER,     // host -> guest: the host's
  SIGNAL_CANDIDATE,  // either: one more way to reach the sender
  SIGNAL_FULL,       // host -> guest: another guest already has the room
  SIGNAL_GONE        // either: the sender has left the room
};

struct Signal {
  SignalType type = SIGNAL_OFFER;
  std::string from;       // the guest's id (guest -> host); "" from the host
  std::string game;       // offer, answer: the sender's game version
  std::string sdp;        // offer, answer
  std::string candidate;  // candidate: one "a=candidate" line's value
  std::string mid;        // candidate: the media it belongs to
};

std::string encode_signal(const Signal& s);
// True with *s filled for a whole signalling message of this version, at most
// SIGNAL_SIZE_MAX bytes, whose fields have their kind's types and sizes.
bool decode_signal(const char* data, std::size_t size, Signal* s);

// What the server's korvalen-server.json says: where its broker listens.
struct ServerInfo {
  std::string mqtt;              // mqtt://HOST:PORT (loopback only) or mqtts://HOST:PORT
  std::string mqtt_ws;           // for browsers: wss://HOST/PATH (ws:// loopback only), "" for none
  std::string turn_credentials;  // path of the credentials, under the server's URL
};
bool decode_server_info(const std::string& text, ServerInfo* info);

// A relay's address from a "turn:" or "turns:" URI.
struct RelayServer {
  std::string host;
  int port = 3478;
  bool tls = false;  // turns:
  bool tcp = false;  // ?transport=tcp (always for turns:)
};
struct RelayCredentials {
  std::string username;  // "EXPIRY:CODE"
  std::string password;
  long long expires = 0;  // unix time, from the user name
  std::vector<RelayServer> relays;
};
bool decode_relay_credentials(const std::string& text, RelayCredentials* c);

// A public room's lobby entry.
struct LobbyEntry {
  std::string name, arena;
  long long created = 0;
};
std::string encode_lobby_entry(const LobbyEntry& e);
bool decode_lobby_entry(const char* data, std::size_t size, LobbyEntry* e);

// A broker or server address split up: scheme, host (without brackets) and port (0 when not
// given). False for anything that is not scheme://host[:port][/path].
struct Url {
  std::string scheme, host, path;
  int port = 0;
};
bool url_read(const std::string& text, Url* url);
// Whether an ICE candidate line ("candidate:F C udp P ADDRESS PORT typ TYPE ...") is one of
// a relay's addresses: all a game playing only through the relay takes from the other side.
bool candidate_is_relayed(const std::string& candidate);
// Whether host names this machine only (127.0.0.0/8, ::1, localhost): where plain, unencrypted
// connections are allowed.
bool is_loopback_host(const std::string& host);
