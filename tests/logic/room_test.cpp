// Rooms: codes as players type them, and the readers of what the meeting servers and the other
// game send through them (anything from outside is either whole and ours, or refused).
#include "session/room.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

bool decodes(const std::string& text, Signal* s = nullptr) {
  Signal ignored;
  return decode_signal(text.data(), text.size(), s ? s : &ignored);
}

}  // namespace

TEST(Room, CodesUseTheAlphabetWithoutLookAlikes) {
  std::set<char> seen;
  for (std::uint64_t bits = 0; bits < 32 * 32; bits++) {
    const std::string code = room_code_from(bits * 0x9E3779B97F4A7C15ull);
    ASSERT_EQ(code.size(), 6u);
    EXPECT_EQ(room_code_read(code), code);
    seen.insert(code.begin(), code.end());
  }
  EXPECT_EQ(seen.size(), 32u);
  EXPECT_NE(room_code_from(1), room_code_from(32));  // every symbol counts, the last too

  EXPECT_EQ(room_code_read("abc234"), "ABC234");
  for (const char* typed :
       {"ABCDEI", "ABCDEO", "ABCDE0", "ABCDE1", "ABCDE", "ABCDEFG", "ABC DE", "ABCDE\xc3", ""})
    EXPECT_EQ(room_code_read(typed), "") << typed;
}

TEST(Room, SignalsGoBothWays) {
  Signal offer;
  offer.type = SIGNAL_OFFER;
  offer.from = "0123456789abcdef";
  offer.game = "1.1.0";
  offer.sdp = "v=0\r\no=- 1 1 IN IP4 0.0.0.0\r\na=\"quoted\" \\ back\r\n";
  Signal candidate;
  candidate.type = SIGNAL_CANDIDATE;
  candidate.candidate = "a=candidate:1 1 UDP 1 127.0.0.1 40000 typ relay";
  candidate.mid = "0";
  Signal full;
  full.type = SIGNAL_FULL;
  for (const Signal& sent : {offer, candidate, full}) {
    Signal got;
    ASSERT_TRUE(decodes(encode_signal(sent), &got)) << encode_signal(sent);
    EXPECT_EQ(got.type, sent.type);
    EXPECT_EQ(got.from, sent.from);
    EXPECT_EQ(got.sdp, sent.sdp);
    EXPECT_EQ(got.candidate, sent.candidate);
    EXPECT_EQ(got.mid, sent.mid);
  }
  EXPECT_TRUE(decodes(R"({"v":1,"t":"gone","from":"0123456789abcdef","extra":[1,2]})"));
}

TEST(Room, SignalsThatAreNotOursAreDropped) {
  const std::string sdp = R"("game":"1.1.0","sdp":"v=0\r\n")";
  EXPECT_TRUE(decodes(R"({"v":1,"t":"answer",)" + sdp + "}"));
  for (const std::string& bad : std::initializer_list<std::string>{
           R"({"v":2,"t":"answer",)" + sdp + "}",                       // another version
           R"({"v":"1","t":"answer",)" + sdp + "}",                     // a number as text
           R"({"v":1.5,"t":"answer",)" + sdp + "}",                     // not whole
           R"({"v":1,"t":"hello",)" + sdp + "}",                        // unknown
           R"({"v":1,"t":"answer","game":"1.1.0"})",                    // no description
           R"({"v":1,"t":"answer","game":"1.1.0","sdp":""})",           // an empty one
           R"({"v":1,"t":"answer","game":"1.1.0","sdp":"v=0\u0000"})",  // a NUL in it
           R"({"v":1,"t":"answer","game":"1\u001b[2J","sdp":"v=0"})",   // a terminal escape
           R"({"v":1,"t":"full","from":"0123456789ABCDEF"})",           // an id in upper case
           R"({"v":1,"t":"full","from":"0123"})",
           R"({"v":1,"t":"candidate","candidate":"a=candidate:1"})",  // no mid
           R"([1,2,3])", R"({"v":1,"t":"full")", "", "\xff\xfe"})
    EXPECT_FALSE(decodes(bad)) << bad;

  // 8 KB at most, however well-formed: blanks after a good message make it too long
  std::string padded = R"({"v":1,"t":"full"})";
  padded.resize(SIGNAL_SIZE_MAX, ' ');
  EXPECT_TRUE(decodes(padded));
  padded += ' ';
  EXPECT_FALSE(decodes(padded));
}

TEST(Room, ServerDescriptionAndCredentials) {
  ServerInfo info;
  EXPECT_TRUE(decode_server_info(
      R"({"version":1,"mqtt":"mqtts://example.org:8883","mqtt_ws":"wss://example.org/mqtt",)"
      R"("turn_credentials":"/turn-credentials"})",
      &info));
  EXPECT_EQ(info.mqtt, "mqtts://example.org:8883");
  EXPECT_EQ(info.turn_credentials, "/turn-credentials");
  EXPECT_EQ(info.mqtt_ws, "wss://example.org/mqtt");
  // the browsers' broker is optional, but when given it is a WebSocket address
  EXPECT_TRUE(decode_server_info(
      R"({"version":1,"mqtt":"mqtts://example.org","turn_credentials":"/t"})", &info));
  EXPECT_EQ(info.mqtt_ws, "");
  EXPECT_FALSE(decode_server_info(
      R"({"version":1,"mqtt":"mqtts://example.org","mqtt_ws":"https://example.org/mqtt",)"
      R"("turn_credentials":"/t"})",
      &info));
  EXPECT_FALSE(decode_server_info(
      R"({"version":1,"mqtt":"mqtts://example.org","mqtt_ws":7,"turn_credentials":"/t"})", &info));
  EXPECT_FALSE(decode_server_info(
      R"({"version":1,"mqtt":"ws://example.org","turn_credentials":"/t"})", &info));
  EXPECT_FALSE(decode_server_info(
      R"({"version":1,"mqtt":"mqtts://example.org","turn_credentials":"http://elsewhere/t"})",
      &info));
  EXPECT_FALSE(decode_server_info(
      R"({"version":2,"mqtt":"mqtts://example.org","turn_credentials":"/t"})", &info));

  RelayCredentials c;
  ASSERT_TRUE(decode_relay_credentials(
      R"({"username":"1796716376:ABC234","password":"c2VjcmV0","ttl":43200,"uris":[)"
      R"("turn:example.org:3478?transport=udp","turn:example.org:3478?transport=tcp",)"
      R"("turns:example.org:5349?transport=tcp","turn:[::1]","turns:example.org"]})",
      &c));
  EXPECT_EQ(c.expires, 1796716376);
  ASSERT_EQ(c.relays.size(), 5u);
  EXPECT_FALSE(c.relays[0].tcp);
  EXPECT_TRUE(c.relays[1].tcp);
  EXPECT_FALSE(c.relays[1].tls);
  EXPECT_TRUE(c.relays[2].tls);
  EXPECT_EQ(c.relays[2].port, 5349);
  EXPECT_EQ(c.relays[3].host, "::1");
  EXPECT_EQ(c.relays[3].port, 3478);
  EXPECT_EQ(c.relays[4].port, 5349);  // the TLS relay's own port when none is given
  EXPECT_TRUE(c.relays[4].tcp);
  for (const char* bad :
       {R"({"username":"ABC234","password":"p","uris":["turn:h"]})",  // no expiry
        R"({"username":"1:ABC234","password":"p","uris":[]})",
        R"({"username":"1:ABC234","password":"p","uris":["stun:h"]})",
        R"({"username":"1:ABC234","password":"p","uris":["turn:h?transport=sctp"]})",
        R"({"username":"1:ABC234","password":"p","uris":["turn:u@h"]})",
        R"({"username":"1:ABC234","uris":["turn:h"]})"})
    EXPECT_FALSE(decode_relay_credentials(bad, &c)) << bad;
  // a relay's address is at most 256 characters
  const std::string near = std::string("turn:") + std::string(251, 'a');
  for (const std::string& uri : {near, near + "a"})
    EXPECT_EQ(decode_relay_credentials(
                  R"({"username":"1:ABC234","password":"p","uris":[")" + uri + R"("]})", &c),
              uri.size() <= 256)
        << uri.size();
}

TEST(Room, AddressesAndTheLoopback) {
  Url url;
  ASSERT_TRUE(url_read("https://example.org", &url));
  EXPECT_EQ(url.scheme, "https");
  EXPECT_EQ(url.port, 0);
  ASSERT_TRUE(url_read("mqtt://[::1]:20001/x", &url));
  EXPECT_EQ(url.host, "::1");
  EXPECT_EQ(url.port, 20001);
  EXPECT_EQ(url.path, "/x");
  for (const char* bad : {"example.org", "https://", "https://h:", "https://h:0", "https://h:65536",
                          "https://user:pw@h", "https://[::1", "https://h:12a"})
    EXPECT_FALSE(url_read(bad, &url)) << bad;

  for (const char* near : {"127.0.0.1", "127.255.0.9", "::1", "localhost"})
    EXPECT_TRUE(is_loopback_host(near)) << near;
  for (const char* far : {"128.0.0.1", "10.0.0.1", "127.0.0.1.example.org", "localhost.org"})
    EXPECT_FALSE(is_loopback_host(far)) << far;
}

TEST(Room, LobbyEntriesAreSmall) {
  LobbyEntry e{"Korvalen 1.1.0", "s_1.txt", 1796716376}, got;
  const std::string text = encode_lobby_entry(e);
  ASSERT_TRUE(decode_lobby_entry(text.data(), text.size(), &got));
  EXPECT_EQ(got.name, e.name);
  EXPECT_EQ(got.created, e.created);
  std::string long_one = text;
  long_one.resize(LOBBY_ENTRY_MAX + 1, ' ');
  EXPECT_FALSE(decode_lobby_entry(long_one.data(), long_one.size(), &got));
  EXPECT_FALSE(decode_lobby_entry("", 0, &got));  // the last will's empty entry
  // every field must be there and hold what it should
  for (const char* bad : {R"({"v":1,"arena":"s_1.txt","created":5})",
                          R"({"v":1,"name":"a\u0007b","arena":"s_1.txt","created":5})",
                          R"({"v":1,"name":"Korvalen","created":5})",
                          R"({"v":1,"name":"Korvalen","arena":7,"created":5})",
                          R"({"v":1,"name":"Korvalen","arena":"s_1.txt"})",
                          R"({"v":2,"name":"Korvalen","arena":"s_1.txt","created":5})"})
    EXPECT_FALSE(decode_lobby_entry(bad, strlen(bad), &got)) << bad;
}
