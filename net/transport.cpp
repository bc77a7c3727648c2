// ENet under the session: one host object, one peer that is the other player.
#include <arpa/inet.h>
#include <enet/enet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

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

bool start_enet(std::string* error) {
  static bool started;
  if (!started && enet_initialize() != 0) {
    *error = "cannot start the network library";
    return false;
  }
  started = true;
  return true;
}

// The other player: no more than this silence.
void set_timeouts(ENetPeer* peer) {
  if (peer) enet_peer_timeout(peer, 0, LINK_TIMEOUT_MS, LINK_TIMEOUT_MS);
}

// The inputs are never held back by ENet's throttle, which drops unreliable datagrams
// when the round trip wavers: the session repeats them anyway.
void no_throttle(ENetPeer* peer) {
  enet_peer_throttle_configure(peer, ENET_PEER_PACKET_THROTTLE_INTERVAL,
                               ENET_PEER_PACKET_THROTTLE_SCALE, 0);
}

void connect_to_host() {
  other = enet_host_connect(link_host, &join_address, CHANNELS, 0);
  set_timeouts(other);
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

void net_service(int wait_ms, NetReceive receive, void* context, NetEvents* events) {
  if (!link_host) return;
  ENetEvent event;
  int waited = 0;
  while (enet_host_service(link_host, &event, waited ? 0 : static_cast<enet_uint32>(wait_ms)) > 0) {
    waited = 1;
    switch (event.type) {
      case ENET_EVENT_TYPE_CONNECT:
        if (!linked && (!other || other == event.peer)) {
          other = event.peer;
          linked = true;
          set_timeouts(other);
          no_throttle(other);
          events->connected = true;
        } else if (!refusal.empty()) {
          // a third player: told why, then let go once that has arrived
          ENetPacket* p =
              enet_packet_create(refusal.data(), refusal.size(), ENET_PACKET_FLAG_RELIABLE);
          if (p && enet_peer_send(event.peer, 0, p) < 0) enet_packet_destroy(p);
          enet_peer_disconnect_later(event.peer, 0);
        } else {
          enet_peer_disconnect_now(event.peer, 0);
        }
        break;
      case ENET_EVENT_TYPE_RECEIVE:
        if (event.peer == other) receive(event.packet->data, event.packet->dataLength, context);
        enet_packet_destroy(event.packet);
        break;
      case ENET_EVENT_TYPE_DISCONNECT:
        if (event.peer != other) break;
        if (!linked) {  // joining, and nobody answered yet: knock again
          events->connect_failed = true;
          connect_to_host();
          break;
        }
        events->disconnected = true;
        events->gone_reason = event.data;
        other = nullptr;
        break;
      case ENET_EVENT_TYPE_NONE: break;
    }
  }
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

void net_traffic(unsigned long long* sent, unsigned long long* received) {
  *sent = link_host ? link_host->totalSentData : 0;
  *received = link_host ? link_host->totalReceivedData : 0;
}

void net_close(std::uint32_t reason, int wait_ms) {
  if (!link_host) return;
  if (other) {
    enet_peer_disconnect_later(other, reason);
    ENetEvent event;
    enet_uint32 start = enet_time_get();
    while (enet_time_get() - start < static_cast<enet_uint32>(wait_ms) &&
           enet_host_service(link_host, &event, 10) >= 0) {
      if (event.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(event.packet);
      if (event.type == ENET_EVENT_TYPE_DISCONNECT && event.peer == other) break;
    }
  }
  enet_host_flush(link_host);
  enet_host_destroy(link_host);
  link_host = nullptr;
  other = nullptr;
  linked = false;
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
