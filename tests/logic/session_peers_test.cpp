// The host's side of odd guests and of a goodbye that got lost: a guest that greets and
// never completes the handshake, or goes, is let go without a word; only a hello is a
// greeting; after an announced Exit, or once this side's own steps ended the game, silence
// ends the session in order.
#include <gtest/gtest.h>

#include <string>

#include "session/lockstep.h"
#include "state/lybrary3.h"
#include "state/state_fields.h"

namespace {

std::string bytes_of(int type, const char* version = "9.9.9") {
  Message m;
  m.type = type;
  m.protocol = PROTOCOL;
  m.version = version;
  return encode_message(m);
}

void deliver(Session* to, const std::string& d, double now) {
  session_receive(to, reinterpret_cast<const std::uint8_t*>(d.data()), d.size(), now);
}

// Carries every waiting datagram both ways, time after time, unless the link is dark.
void exchange(Session* a, Session* b, double now) {
  for (int round = 0; round < 4; round++) {
    session_poll(a, now);
    session_poll(b, now);
    for (Session* from : {a, b}) {
      for (const std::string& d : from->outbox) deliver(from == a ? b : a, d, now);
      from->outbox.clear();
    }
  }
}

void connect(Session* host, Session* guest) {
  Dump_Init();
  session_begin(host, true, "1.0.0", 0);
  session_begin(guest, false, "1.0.0", 0);
  for (double now = 0; now < 1000 && guest->phase == PHASE_CONNECTING; now += 100)
    exchange(host, guest, now);
  ASSERT_EQ(host->phase, PHASE_RUNNING);
}

TEST(SessionPeers, AGuestThatNeverCompletesTheHandshakeIsLetGoQuietly) {
  EXPECT_TRUE(session_is_greeting(reinterpret_cast<const std::uint8_t*>(bytes_of(MSG_HELLO).data()),
                                  bytes_of(MSG_HELLO).size()));
  for (int type : {MSG_PROBE, MSG_LEAVE}) {
    const std::string d = bytes_of(type);
    EXPECT_FALSE(session_is_greeting(reinterpret_cast<const std::uint8_t*>(d.data()), d.size()));
  }
  EXPECT_FALSE(session_is_greeting(reinterpret_cast<const std::uint8_t*>("KV\x01"), 3));

  Session host;
  session_begin(&host, true, "1.0.0", 0);
  deliver(&host, bytes_of(MSG_HELLO, "1.0.0"), 1000);
  deliver(&host, bytes_of(MSG_HELLO, "1.0.0"), 1000 + HANDSHAKE_LIMIT_MS / 2);  // no new clock
  session_poll(&host, 1000 + HANDSHAKE_LIMIT_MS);
  EXPECT_EQ(host.phase, PHASE_CONNECTING);
  EXPECT_FALSE(host.outbox.empty()) << "no probe for the guest";
  session_poll(&host, 1001 + HANDSHAKE_LIMIT_MS);
  EXPECT_EQ(host.phase, PHASE_ENDED);
  EXPECT_EQ(host.end_message, "");

  // gone before it played: the host has nothing to tell its player
  session_begin(&host, true, "1.0.0", 0);
  deliver(&host, bytes_of(MSG_HELLO, "1.0.0"), 0);
  session_other_gone(&host, 0);
  EXPECT_EQ(host.phase, PHASE_ENDED);
  EXPECT_EQ(host.end_message, "");
}

TEST(SessionPeers, SilenceAfterAnExitIsAnEndInOrder) {
  bool none[KEY_CODES] = {};
  Session host, guest;
  // the guest announced its Exit; its last keys never came
  connect(&host, &guest);
  session_leave(&guest, LEAVE_EXIT);
  for (const std::string& d : guest.outbox) deliver(&host, d, 1000);
  session_add_input(&host, none, 0);
  session_advance(&host);
  session_poll(&host, 1001 + SILENCE_LIMIT_MS);
  session_advance(&host);
  EXPECT_EQ(host.phase, PHASE_ENDED);
  EXPECT_EQ(host.end_message, "");
  EXPECT_EQ(host.exit_code, 0);

  // this side's own steps ended the game on keys the other never confirmed: its goodbye
  // was lost, not the game
  for (bool ended : {true, false}) {
    connect(&host, &guest);
    session_add_input(&host, none, 0);
    session_advance(&host);
    done = ended;
    session_poll(&host, 1001 + SILENCE_LIMIT_MS);
    session_advance(&host);
    done = false;
    EXPECT_EQ(host.phase, PHASE_ENDED);
    EXPECT_EQ(host.exit_code, ended ? 0 : 1);
    EXPECT_EQ(host.end_message, ended ? "" : "The connection to the other player was lost.");
  }
}

}  // namespace
