// Fuzz target: what comes from the meeting servers and through the broker (signalling
// messages, the servers' description, relay credentials, lobby entries, addresses): nothing
// reads past the bytes, and a message that decodes says the same once encoded again.
#include <cstdint>
#include <string>

#include "fuzz_fail.h"
#include "session/room.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const std::string whole(text, size);
  Signal s, again;
  if (decode_signal(text, size, &s)) {
    const std::string encoded = encode_signal(s);
    if (!decode_signal(encoded.data(), encoded.size(), &again) || again.type != s.type ||
        again.from != s.from || again.sdp != s.sdp || again.candidate != s.candidate ||
        again.mid != s.mid || again.game != s.game)
      fuzz_fail("a decoded signal does not read back the same once encoded");
  }
  ServerInfo info;
  decode_server_info(whole, &info);
  RelayCredentials credentials;
  if (decode_relay_credentials(whole, &credentials) && credentials.relays.empty())
    fuzz_fail("credentials taken with no relay to use them on");
  LobbyEntry entry;
  decode_lobby_entry(text, size, &entry);
  Url url;
  if (url_read(whole, &url)) is_loopback_host(url.host);
  room_code_read(whole);
  return 0;
}
