// The link through ENet: net.h's calls when the game hosts on a port or joins an address.
#pragma once

#include "net/net.h"

void enet_service(int wait_ms, NetReceive receive, void* context, NetEvents* events);
void enet_send(const std::string& datagram, bool reliable);
void enet_set_refusal(const std::string& datagram);
void enet_set_greeting(NetGreeting is_greeting);
void enet_let_go(std::uint32_t reason, int wait_ms);
void enet_traffic(unsigned long long* sent, unsigned long long* received);
void enet_close(std::uint32_t reason, int wait_ms);
