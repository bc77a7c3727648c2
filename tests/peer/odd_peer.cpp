// A machine that is not quite the other player, for the online tests: one that connects
// and never says a word, and one of another version, as guest or as host. It speaks the
// game's messages itself, so the game under test needs no hidden switch to play either.
//   odd_peer silent PORT         connects to 127.0.0.1:PORT, prints "connected", then "let go"
//                                when the host drops it (exit 0), or exit 1 after 30 s
//   odd_peer guest PORT VERSION  greets as VERSION, prints "refused: version V" (the host's
//                                version) and exits 0, or exit 1 after 15 s without a refusal
//   odd_peer host PORT VERSION   waits for a greeting, refuses it as VERSION, prints "told"
//                                and exits 0 once the refusal arrived, or exit 1 after 30 s
#include <enet/enet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "session/messages.h"

namespace {

// Sends a hello (as a guest) or a version refusal (as a host) of this version.
void send(ENetPeer* peer, int type, const std::string& version) {
  Message m;
  m.type = type;
  m.protocol = PROTOCOL;
  m.reason = REFUSE_VERSION;
  m.version = version;
  const std::string bytes = encode_message(m);
  enet_peer_send(peer, 0,
                 enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE));
}

int usage() {
  std::fprintf(stderr, "usage: odd_peer silent PORT | guest PORT VERSION | host PORT VERSION\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || enet_initialize() != 0) return usage();
  const std::string mode = argv[1], version = argc > 3 ? argv[3] : "";
  if (mode != "silent" && version.empty()) return usage();
  ENetAddress address;
  address.host = ENET_HOST_ANY;
  address.port = static_cast<enet_uint16>(std::atoi(argv[2]));
  ENetHost* host = enet_host_create(mode == "host" ? &address : nullptr, 1, 2, 0, 0);
  if (!host) return usage();
  if (mode != "host") {
    enet_address_set_host(&address, "127.0.0.1");
    enet_host_connect(host, &address, 2, 0);
  }
  const enet_uint32 limit = mode == "guest" ? 15000 : 30000, start = enet_time_get();
  bool told = false;
  ENetEvent event;
  while (enet_time_get() - start < limit) {
    if (enet_host_service(host, &event, 50) <= 0) continue;
    Message m;
    switch (event.type) {
      case ENET_EVENT_TYPE_CONNECT:
        if (mode == "silent") std::printf("connected\n");
        if (mode == "guest") send(event.peer, MSG_HELLO, version);
        std::fflush(stdout);
        break;
      case ENET_EVENT_TYPE_RECEIVE:
        if (decode_message(event.packet->data, event.packet->dataLength, &m)) {
          if (mode == "guest" && m.type == MSG_REFUSE && m.reason == REFUSE_VERSION) {
            std::printf("refused: version %s\n", m.version.c_str());
            return 0;
          }
          if (mode == "host" && m.type == MSG_HELLO && !told) {
            send(event.peer, MSG_REFUSE, version);
            enet_peer_disconnect_later(event.peer, 0);
            told = true;
          }
        }
        enet_packet_destroy(event.packet);
        break;
      case ENET_EVENT_TYPE_DISCONNECT:
        if (mode == "silent") std::printf("let go\n");
        if (mode == "host" && told) std::printf("told\n");
        if (mode == "silent" || (mode == "host" && told)) return 0;
        break;
      case ENET_EVENT_TYPE_NONE: break;
    }
  }
  return 1;
}
