// Which link carries the session: the rooms' once a room was made or joined, else ENet's.
#include "net/enet_link.h"
#include "net/room_link.h"

void net_service(int wait_ms, NetReceive receive, void* context, NetEvents* events) {
  if (room_active())
    room_service(wait_ms, receive, context, events);
  else
    enet_service(wait_ms, receive, context, events);
}

void net_send(const std::string& datagram, bool reliable) {
  if (room_active())
    room_send(datagram, reliable);
  else
    enet_send(datagram, reliable);
}

// A room is never full by a message: a later guest hears so from the broker.
void net_set_refusal(const std::string& datagram) {
  enet_set_refusal(datagram);
}

void net_set_greeting(NetGreeting is_greeting) {
  enet_set_greeting(is_greeting);
  room_set_greeting(is_greeting);
}

void net_let_go(std::uint32_t reason, int wait_ms) {
  if (room_active())
    room_let_go(reason, wait_ms);
  else
    enet_let_go(reason, wait_ms);
}

void net_traffic(unsigned long long* sent, unsigned long long* received) {
  if (room_active())
    room_traffic(sent, received);
  else
    enet_traffic(sent, received);
}

void net_close(std::uint32_t reason, int wait_ms) {
  if (room_active())
    room_close(reason, wait_ms);
  else
    enet_close(reason, wait_ms);
}
