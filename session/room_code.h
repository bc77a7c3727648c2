// A room's code on the meeting servers: what the host reads out and the guest types.
#pragma once

#include <cstdint>
#include <string>

constexpr int ROOM_CODE_LENGTH = 6;
// No I, O, 0 or 1: a code read aloud or off a screen is never mistaken.
constexpr char ROOM_ALPHABET[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";

// A room code from any random number source: ROOM_CODE_LENGTH symbols of the alphabet.
std::string room_code_from(std::uint64_t random_bits);
// A typed code, upper-cased, or "" when it is not a code (the wrong length, a look-alike
// letter or any other character).
std::string room_code_read(const std::string& typed);
