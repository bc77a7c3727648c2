// The link between two games: the one place that knows sockets. It carries the session's
// datagrams to the other player and back, and turns everything else (a third player, the
// other side gone quiet) into plain events. Two ways carry them, chosen at the start and
// the same to everything above: UDP through ENet to an address (a LAN, a reachable port),
// or WebRTC data channels through the meeting servers' relay to a room by its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The other player's machine is given up by the link only after this: well above the
// session's own silence rule (10 s), which decides. The link counts from its oldest message
// not yet acknowledged, which may be older than the silence, and waits longer after each
// repeat, so at the rule's own length it could end a match after a shorter silence.
constexpr int LINK_TIMEOUT_MS = 30000;
constexpr int CONNECT_TIMEOUT_MS = 5000;  // joining: a host that never answers, for this long
constexpr int KNOCK_LIMIT_MS = 3000;      // hosting: a machine that knocked must finish ENet's
                                          // handshake, or take a refusal, within this
constexpr int GREETING_LIMIT_MS = 5000;   // hosting: a newcomer that has not greeted by then goes

// What a call of net_service saw besides datagrams.
struct NetEvents {
  bool connected = false;         // the other player's machine answered
  bool disconnected = false;      // it went away: in order, for a reason (net_close's), or
  std::uint32_t gone_reason = 0;  // silent (0)
  bool connect_failed = false;    // joining: nobody answered at that address (yet)
  std::string failed;             // the link cannot go on, and why, for the player (rooms)
};

using NetReceive = void (*)(const std::uint8_t* data, std::size_t size, void* context);
// Whether a newcomer's datagram is the greeting of a game (hosting).
using NetGreeting = bool (*)(const std::uint8_t* data, std::size_t size);

// Waits for another player on port (all addresses, UDP); false with the reason.
bool net_host(int port, std::string* error);
// Starts joining the game at host:port; false with the reason (an unknown host name).
bool net_join(const std::string& host, int port, std::string* error);
// Where the meeting servers are and how to use them (rooms).
struct RoomOptions {
  std::string server;       // https://HOST (http:// only to this machine)
  std::string server_ca;    // a CA file for the servers' certificates, "" for the system's
  bool relay_only = false;  // never offer this machine's own addresses: always the relay
  bool listed = false;      // hosting: the room is in the servers' lobby
  std::string version;      // this game's, for the lobby and the other side
  std::string name, arena;  // hosting: the lobby entry
  std::string relay_via;    // benchmarks: reach the relay's UDP port through this HOST:PORT
};
// Makes a room on the servers and waits in it for another player; false with the reason.
// The room exists once net_room_code() says its code.
bool net_host_room(const RoomOptions& options, std::string* error);
// Starts joining the room with this code (upper case); false with the reason. What
// happens then comes from net_service: connected, or failed with the reason.
bool net_join_room(const RoomOptions& options, const std::string& code, std::string* error);
// A public room in the servers' lobby.
struct LobbyRoom {
  std::string code, name, arena;
};
constexpr int LOBBY_ROOMS_SHOWN = 8;  // the most the lobby keeps of what it hears
// Starts reading the servers' lobby in the background; what it hears comes with
// net_lobby_rooms. Reading ends with net_lobby_stop (and before any room starts).
void net_lobby_start(const RoomOptions& options);
// The public rooms heard so far, their entries as the broker has them now; why none can be
// heard in *error, if it is known.
std::vector<LobbyRoom> net_lobby_rooms(std::string* error);
void net_lobby_stop();

// The code of the room this game hosts, once the servers have it; "" before.
std::string net_room_code();
// How the other player is reached once connected: "relay", "direct" or "" (not known).
std::string net_path();

// Sends and receives for at most wait_ms: every datagram from the other player goes to
// receive. Anyone else who connects gets refusal and is let go.
void net_service(int wait_ms, NetReceive receive, void* context, NetEvents* events);
// Sends one datagram to the other player: reliable ones are repeated until they arrive,
// the rest go once.
void net_send(const std::string& datagram, bool reliable);
// What a host says to anyone who connects while two already play.
void net_set_refusal(const std::string& datagram);
// Hosting: a newcomer becomes the other player with its first datagram that passes this
// check; one that has not sent such a datagram within GREETING_LIMIT_MS is let go, and
// its going is nobody's business. Without a check the first newcomer is the other player.
void net_set_greeting(NetGreeting is_greeting);
// Hosting: lets the other player go (a reason number it sees), waiting up to wait_ms for
// what is still unsent to arrive, and waits for the next one.
void net_let_go(std::uint32_t reason, int wait_ms);
// Hosting: the places (of PEERS) held by machines in any state, the other player's included.
int net_places_taken();
// Bytes this side has sent and received on the wire so far, ENet's own included.
void net_traffic(unsigned long long* sent, unsigned long long* received);
// The machine's IPv4 addresses another player can join at: every non-loopback one, or the
// loopback one when there is none.
std::vector<std::string> net_local_addresses();
// Says goodbye (a reason number the other side sees) and lets go, waiting up to
// wait_ms for the goodbye and anything still unsent to leave.
void net_close(std::uint32_t reason, int wait_ms);
