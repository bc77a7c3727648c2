#include "session/room_code.h"

#include <cctype>
#include <cstring>

std::string room_code_from(std::uint64_t random_bits) {
  std::string code;
  for (int i = 0; i < ROOM_CODE_LENGTH; i++) {
    code += ROOM_ALPHABET[random_bits % 32];
    random_bits /= 32;
  }
  return code;
}

std::string room_code_read(const std::string& typed) {
  if (typed.size() != ROOM_CODE_LENGTH) return "";
  std::string code;
  for (char c : typed) {
    char up = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!up || !std::strchr(ROOM_ALPHABET, up)) return "";
    code += up;
  }
  return code;
}
