// A web page has no UDP socket, so no link to an address: only rooms (WebRTC) carry a
// session there. Built for the web in place of transport.cpp.
#include "net/enet_link.h"

bool net_host(int, std::string* error) {
  *error = "a game in a browser cannot wait at an address: host a room instead";
  return false;
}

bool net_join(const std::string&, int, std::string* error) {
  *error = "a game in a browser cannot join an address: join a room instead";
  return false;
}

std::vector<std::string> net_local_addresses() {
  return {};
}

void enet_service(int, NetReceive, void*, NetEvents*) {}
void enet_send(const std::string&, bool) {}
void enet_set_refusal(const std::string&) {}
void enet_set_greeting(NetGreeting) {}
void enet_let_go(std::uint32_t, int) {}
void enet_traffic(unsigned long long* sent, unsigned long long* received) {
  *sent = *received = 0;
}
void enet_close(std::uint32_t, int) {}
