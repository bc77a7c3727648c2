// The relay's channels as the desktop's WebRTC library keeps them. A browser offers one relayed
// candidate over UDP and another over TCP from the same relay: one IP address, two ports. The
// desktop must reach each through a channel of its own, or what it sends to the one the
// browser chose goes to the other, which the browser drops (third_party/libdatachannel/
// CHANGES.korvalen).
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>

// libjuice's own header, not installed: C, with a parameter named as a C++ keyword
#define class stun_class
extern "C" {
#include "turn.h"
}
#undef class

namespace {

addr_record_t relay_address(const char* ip, std::uint16_t port) {
  addr_record_t record;
  std::memset(&record, 0, sizeof record);
  auto* in = reinterpret_cast<sockaddr_in*>(&record.addr);
  in->sin_family = AF_INET;
  in->sin_port = htons(port);
  inet_pton(AF_INET, ip, &in->sin_addr);
  record.len = sizeof(sockaddr_in);
  return record;
}

struct Map {
  turn_map_t map;
  Map() { turn_init_map(&map, 16); }
  ~Map() { turn_destroy_map(&map); }
};

TEST(TurnChannels, EachPortOfOneRelayHasItsOwnChannel) {
  Map m;
  const addr_record_t over_tcp = relay_address("127.0.0.1", 30001);
  const addr_record_t over_udp = relay_address("127.0.0.1", 30002);
  std::uint16_t first = 0, second = 0, found = 0;
  ASSERT_TRUE(turn_bind_channel(&m.map, &over_tcp, nullptr, 0x4000, 60000));
  ASSERT_TRUE(turn_get_bound_channel(&m.map, &over_tcp, &first));
  EXPECT_EQ(first, 0x4000);
  EXPECT_FALSE(turn_get_bound_channel(&m.map, &over_udp, &found))
      << "the other port's channel, 0x" << std::hex << found;
  ASSERT_TRUE(turn_bind_random_channel(&m.map, &over_udp, &second, 60000));
  EXPECT_NE(second, first);
  addr_record_t back;
  ASSERT_TRUE(turn_find_channel(&m.map, second, &back));
  EXPECT_TRUE(addr_record_is_equal(&back, &over_udp, true));
  ASSERT_TRUE(turn_find_channel(&m.map, first, &back));
  EXPECT_TRUE(addr_record_is_equal(&back, &over_tcp, true));
}

TEST(TurnChannels, APermissionCoversEveryPortOfItsAddress) {
  Map m;
  const std::uint8_t transaction[STUN_TRANSACTION_ID_SIZE] = {1, 2, 3};
  const addr_record_t over_tcp = relay_address("127.0.0.1", 30001);
  ASSERT_TRUE(turn_set_permission(&m.map, transaction, &over_tcp, 60000));
  const addr_record_t over_udp = relay_address("127.0.0.1", 30002);
  EXPECT_TRUE(turn_has_permission(&m.map, &over_udp));
  const addr_record_t elsewhere = relay_address("127.0.0.3", 30001);
  EXPECT_FALSE(turn_has_permission(&m.map, &elsewhere));
}

}  // namespace
