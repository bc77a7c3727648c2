// Fuzz target: the message decoder, and a running session fed the same bytes as datagrams:
// nothing reads past them, what decodes encodes back to them (an ended session's text: units).
// An input's keys are its player's command: a key no step reads is taken and left out, so an
// inputs message encodes back to bytes that decode to the same message.
#include <cstdint>
#include <string>

#include "fuzz_fail.h"
#include "session/lockstep.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Message m, again;
  if (decode_message(data, size, &m)) {
    const std::string bytes = encode_message(m);
    if (m.type != MSG_INPUTS && bytes != std::string(reinterpret_cast<const char*>(data), size))
      fuzz_fail("a decoded message does not encode back to its bytes");
    if (m.type == MSG_INPUTS &&
        (bytes.size() > size ||
         !decode_message(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                         &again) ||
         encode_message(again) != bytes))
      fuzz_fail("a decoded inputs message does not encode back to the same message");
  }

  // Both roles, connected, take the input cut at every 0xff byte into datagrams.
  for (bool host : {true, false}) {
    Session s;
    session_begin(&s, host, "1.0.0", 0);
    session_set_map(&s, MapText{true, "1\n"});
    Message hello;
    hello.type = host ? MSG_HELLO : MSG_WELCOME;
    hello.protocol = PROTOCOL;
    hello.version = "1.0.0";
    hello.map_id = 1;
    std::string h = encode_message(hello);
    session_receive(&s, reinterpret_cast<const std::uint8_t*>(h.data()), h.size(), 0);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; i++) {
      if (i < size && data[i] != 0xff) continue;
      session_receive(&s, data + start, i - start, 1);
      session_poll(&s, 2);
      session_advance(&s);  // no input of its own: no step runs
      start = i + 1;
    }
  }
  return 0;
}
