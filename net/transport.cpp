// ENet under the session: one host object, one peer that is the other player.
#include <arpa/inet.h>
#include <enet/enet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

#include "net/net.h"

namespace {

constexpr int CHANNELS = 2;  // 0: reliable, in order; 1: the inputs, as they come
constexpr int PEERS = 4;     // the other player, and room to refuse a few more

ENetHost* link_host;
ENetPeer* other;  // the other player (joining: the attempt to reach it)
bool linked;      // the other player's machine has answered
ENetAddress join_address;
bool joining;
std::string refusal;
NetGreeting greeting;

// Hosting: connected machines that have not greeted yet, and since when.
struct Newcomer {
  ENetPeer* peer;
  enet_uint32 since;
};
std::vector<Newcomer> newcomers;
// Hosting: machines whose knock was answered but that never finished ENet's handshake,
// and since when. Each holds one of the places until it is let go.
std::vector<Newcomer> knocking;

bool start_enet(std::string* error) {
  static bool started;
  if (!started && enet_initialize() != 0) {
    *error = "cannot start the network library";
    return false;
  }
  started = true;
  return true;
}

// The other player: the link gives up only after LINK_TIMEOUT_MS, whatever its repeats;
// an attempt to join, after CONNECT_TIMEOUT_MS.
void set_timeouts(ENetPeer* peer, int timeout_ms) {
  if (peer) enet_peer_timeout(peer, 0, timeout_ms, timeout_ms);
}

// The inputs are never held back by ENet's throttle, which drops unreliable datagrams
// when the round trip wavers: the session repeats them anyway.
void no_throttle(ENetPeer* peer) {
  enet_peer_throttle_configure(peer, ENET_PEER_PACKET_THROTTLE_INTERVAL,
                               ENET_PEER_PACKET_THROTTLE_SCALE, 0);
}

bool is_newcomer(ENetPeer* peer) {
  return std::any_of(newcomers.begin(), newcomers.end(),
                     [peer](const Newcomer& n) { return n.peer == peer; });
}

void forget_newcomer(ENetPeer* peer) {
  newcomers.erase(std::remove_if(newcomers.begin(), newcomers.end(),
                                 [peer](const Newcomer& n) { return n.peer == peer; }),
                  newcomers.end());
}

// A machine that plays with us from now on.
void take_as_other(ENetPeer* peer, NetEvents* events) {
  forget_newcomer(peer);
  other = peer;
  linked = true;
  set_timeouts(other, LINK_TIMEOUT_MS);
  no_throttle(other);
  events->connected = true;
}

// A third player: told why, then let go once that has arrived, or within seconds when it
// never acknowledges it (ENet would hold its place for half a minute).
void refuse(ENetPeer* peer) {
  forget_newcomer(peer);
  enet_peer_timeout(peer, 0, KNOCK_LIMIT_MS, KNOCK_LIMIT_MS);
  if (refusal.empty()) {
    enet_peer_disconnect_now(peer, 0);
    return;
  }
  ENetPacket* p = enet_packet_create(refusal.data(), refusal.size(), ENET_PACKET_FLAG_RELIABLE);
  if (p && enet_peer_send(peer, 0, p) < 0) enet_packet_destroy(p);
  enet_peer_disconnect_later(peer, 0);
}

// Newcomers that never greeted in time are let go: a silent machine holds no place.
void drop_silent_newcomers() {
  const enet_uint32 now = enet_time_get();
  for (const Newcomer& n : newcomers)
    if (now - n.since >= static_cast<enet_uint32>(GREETING_LIMIT_MS))
      enet_peer_disconnect_now(n.peer, 0);
  newcomers.erase(std::remove_if(newcomers.begin(), newcomers.end(),
                                 [now](const Newcomer& n) {
                                   return now - n.since >=
                                          static_cast<enet_uint32>(GREETING_LIMIT_MS);
                                 }),
                  newcomers.end());
}

// Half-made connections older than KNOCK_LIMIT_MS are let go without a word: a
// machine that knocks and never answers must not keep a real guest out.
void drop_stalled_handshakes() {
  const enet_uint32 now = enet_time_get();
  std::vector<Newcomer> still;
  for (size_t i = 0; i < link_host->peerCount; i++) {
    ENetPeer* peer = &link_host->peers[i];
    if (peer->state != ENET_PEER_STATE_ACKNOWLEDGING_CONNECT &&
        peer->state != ENET_PEER_STATE_CONNECTION_PENDING &&
        peer->state != ENET_PEER_STATE_CONNECTION_SUCCEEDED)
      continue;
    auto known = std::find_if(knocking.begin(), knocking.end(),
                              [peer](const Newcomer& n) { return n.peer == peer; });
    const enet_uint32 since = known == knocking.end() ? now : known->since;
    if (now - since >= static_cast<enet_uint32>(KNOCK_LIMIT_MS))
      enet_peer_reset(peer);
    else
      still.push_back({peer, since});
  }
  knocking = std::move(still);
}

void connect_to_host() {
  other = enet_host_connect(link_host, &join_address, CHANNELS, 0);
  set_timeouts(other, CONNECT_TIMEOUT_MS);
}

}  // namespace

bool net_host(int port, std::string* error) {
  if (!start_enet(error)) return false;
  ENetAddress address;
  address.host = ENET_HOST_ANY;
  address.port = static_cast<enet_uint16>(port);
  link_host = enet_host_create(&address, PEERS, CHANNELS, 0, 0);
  if (!link_host) {
    *error =
        "cannot wait for a player on port " + std::to_string(port) + " (is another game using it?)";
    return false;
  }
  return true;
}

bool net_join(const std::string& host, int port, std::string* error) {
  if (!start_enet(error)) return false;
  if (enet_address_set_host(&join_address, host.c_str()) != 0) {
    *error = "cannot find the host " + host;
    return false;
  }
  join_address.port = static_cast<enet_uint16>(port);
  link_host = enet_host_create(nullptr, 1, CHANNELS, 0, 0);
  if (!link_host) {
    *error = "cannot open a network connection";
    return false;
  }
  joining = true;
  connect_to_host();
  return true;
}

void net_set_refusal(const std::string& datagram) {
  refusal = datagram;
}

void net_set_greeting(NetGreeting is_greeting) {
  greeting = is_greeting;
}

void net_service(int wait_ms, NetReceive receive, void* context, NetEvents* events) {
  if (!link_host) return;
  ENetEvent event;
  int waited = 0;
  while (enet_host_service(link_host, &event, waited ? 0 : static_cast<enet_uint32>(wait_ms)) > 0) {
    waited = 1;
    switch (event.type) {
      case ENET_EVENT_TYPE_CONNECT:
        if (joining && !linked && event.peer == other)
          take_as_other(other, events);
        else if (linked || joining)
          refuse(event.peer);
        else if (!greeting)
          take_as_other(event.peer, events);
        else
          newcomers.push_back({event.peer, enet_time_get()});
        break;
      case ENET_EVENT_TYPE_RECEIVE:
        if (event.peer != other && is_newcomer(event.peer) &&
            greeting(event.packet->data, event.packet->dataLength)) {
          if (linked)
            refuse(event.peer);  // greeted after another player took the place
          else
            take_as_other(event.peer, events);
        }
        if (event.peer == other) receive(event.packet->data, event.packet->dataLength, context);
        enet_packet_destroy(event.packet);
        break;
      case ENET_EVENT_TYPE_DISCONNECT:
        if (event.peer != other) {
          forget_newcomer(event.peer);
          break;
        }
        if (!linked) {  // joining, and nobody answered yet: knock again
          events->connect_failed = true;
          connect_to_host();
          break;
        }
        events->disconnected = true;
        events->gone_reason = event.data;
        other = nullptr;
        if (!joining) linked = false;  // hosting: the place is free again
        break;
      case ENET_EVENT_TYPE_NONE: break;
    }
  }
  drop_silent_newcomers();
  if (!joining) drop_stalled_handshakes();
}

void net_send(const std::string& datagram, bool reliable) {
  if (!other || !linked) return;
  // Longer than a datagram on the wire, an unreliable message is cut into unreliable pieces
  // too: without the fragment flag ENet would repeat its pieces until they arrive.
  ENetPacket* p = enet_packet_create(
      datagram.data(), datagram.size(),
      reliable ? ENET_PACKET_FLAG_RELIABLE
               : ENET_PACKET_FLAG_UNSEQUENCED | ENET_PACKET_FLAG_UNRELIABLE_FRAGMENT);
  if (p && enet_peer_send(other, reliable ? 0 : 1, p) < 0) enet_packet_destroy(p);
}

int net_places_taken() {
  if (!link_host) return 0;
  int taken = 0;
  for (size_t i = 0; i < link_host->peerCount; i++)
    taken += link_host->peers[i].state != ENET_PEER_STATE_DISCONNECTED;
  return taken;
}

void net_traffic(unsigned long long* sent, unsigned long long* received) {
  *sent = link_host ? link_host->totalSentData : 0;
  *received = link_host ? link_host->totalReceivedData : 0;
}

namespace {

// Says goodbye to the other player and waits up to wait_ms for it to be acknowledged
// (everything sent before it arrived first); then the other player is gone.
void say_goodbye(std::uint32_t reason, int wait_ms) {
  if (!other) return;
  enet_peer_disconnect_later(other, reason);
  ENetEvent event;
  enet_uint32 start = enet_time_get();
  bool acknowledged = false;
  while (!acknowledged && enet_time_get() - start < static_cast<enet_uint32>(wait_ms) &&
         enet_host_service(link_host, &event, 10) >= 0) {
    if (event.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(event.packet);
    if (event.type == ENET_EVENT_TYPE_CONNECT && !joining) newcomers.push_back({event.peer, start});
    if (event.type == ENET_EVENT_TYPE_DISCONNECT) {
      forget_newcomer(event.peer);
      acknowledged = event.peer == other;
    }
  }
  if (!acknowledged) enet_peer_disconnect_now(other, reason);
  other = nullptr;
  linked = false;
}

}  // namespace

void net_let_go(std::uint32_t reason, int wait_ms) {
  if (link_host && !joining) say_goodbye(reason, wait_ms);
}

void net_close(std::uint32_t reason, int wait_ms) {
  if (!link_host) return;
  say_goodbye(reason, wait_ms);
  enet_host_flush(link_host);
  enet_host_destroy(link_host);
  link_host = nullptr;
  newcomers.clear();
  knocking.clear();
  joining = false;  // the next link starts afresh
}

std::vector<std::string> net_local_addresses() {
  std::vector<std::string> found;
  struct ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) {
    for (struct ifaddrs* a = list; a; a = a->ifa_next) {
      if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
      const in_addr ip = reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr;
      if ((ntohl(ip.s_addr) >> 24) == 127) continue;
      char text[INET_ADDRSTRLEN];
      if (inet_ntop(AF_INET, &ip, text, sizeof text)) found.push_back(text);
    }
    freeifaddrs(list);
  }
  if (found.empty()) found.push_back("127.0.0.1");
  return found;
}
