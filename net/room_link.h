// The link through the meeting servers: WebRTC data channels opened by way of the broker,
// net.h's calls when the game hosts or joins a room.
#pragma once

#include "net/net.h"

bool room_active();
void room_service(int wait_ms, NetReceive receive, void* context, NetEvents* events);
void room_send(const std::string& datagram, bool reliable);
void room_set_greeting(NetGreeting is_greeting);
void room_let_go(std::uint32_t reason, int wait_ms);
void room_traffic(unsigned long long* sent, unsigned long long* received);
void room_close(std::uint32_t reason, int wait_ms);

// The servers' broker for reading the lobby: its address (mqtt:// or mqtts://), from their
// description; false with the reason. Only while no room is open.
bool room_lobby_broker(const RoomOptions& options, std::string* broker, std::string* error);
