// The session's handshake, its endings (odd guests and lost goodbyes too), the two-keyboard
// rule, its decoder's refusals and the pace of its groups on the step clock.
#include <gtest/gtest.h>

#include <string>

#include "session/lockstep.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "state/state_fields.h"

namespace {

void deliver(Session* to, const std::string& d, double now) {
  session_receive(to, reinterpret_cast<const std::uint8_t*>(d.data()), d.size(), now);
}

// Carries every waiting datagram both ways at once, time after time.
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

void connect(Session* host, Session* guest, const char* guest_version = "1.0.0") {
  session_begin(host, true, "1.0.0", 0);
  session_begin(guest, false, guest_version, 0);
  session_set_map(host, MapText{true, "1\n2\n3\n4\n5\n"});
  for (double now = 0; now < 1000 && guest->phase == PHASE_CONNECTING; now += 100)
    exchange(host, guest, now);
}

TEST(SessionRules, HandshakeRefusalsAndEndings) {
  Session host, guest;
  connect(&host, &guest, "1.0.1");
  EXPECT_EQ(host.end_message, "The other game is version 1.0.1; both need the same version.");
  EXPECT_EQ(guest.end_message, "The other game is version 1.0.0; both need the same version.");
  EXPECT_EQ(host.exit_code + guest.exit_code, 2);

  connect(&host, &guest);
  ASSERT_EQ(guest.phase, PHASE_RUNNING);
  ASSERT_EQ(host.phase, PHASE_RUNNING);
  Session third;
  session_begin(&third, false, "1.0.0", 0);
  std::string full = session_refuse_full("1.0.0");
  session_receive(&third, (const std::uint8_t*)full.data(), full.size(), 0);
  EXPECT_EQ(third.end_message, "This game already has two players.");
  EXPECT_EQ(third.exit_code, 1);

  // Groups run in step; a state that differs by group 30 ends both.
  Dump_Init();
  GameSnapshot states[2];
  snapshot_take(&states[0]);
  states[1] = states[0];
  bool none[KEY_CODES] = {};
  for (int f = 0; f < 32; f++) {
    for (int i = 0; i < 2; i++) {
      Session* s = i == 0 ? &host : &guest;
      snapshot_put(states[i]);
      if (i == 1 && f == 29) player[1].kill = 5;
      session_add_input(s, none, 0);
      session_advance(s);
      snapshot_take(&states[i]);
      exchange(&host, &guest, 1000 + 10 * f);
    }
  }
  snapshot_put(states[0]);
  EXPECT_EQ(host.end_message, "The two games no longer agree (frame 30).");
  EXPECT_EQ(guest.end_message, host.end_message);
  EXPECT_EQ(guest.exit_code, 1);

  connect(&host, &guest);
  session_leave(&guest, LEAVE_CLOSED);
  exchange(&host, &guest, 1000);
  EXPECT_EQ(host.end_message, "The other player has left.");
  EXPECT_EQ(host.exit_code, 0);

  // The other side's frames ended the game: this one plays on to the same frame.
  connect(&host, &guest);
  session_other_gone(&host, LEAVE_EXIT);
  EXPECT_EQ(host.phase, PHASE_RUNNING);
  EXPECT_TRUE(session_delivered(&host));

  connect(&host, &guest);
  session_poll(&host, 900 + SILENCE_LIMIT_MS);  // nothing heard since 900
  session_advance(&host);
  EXPECT_EQ(host.end_message, "The connection to the other player was lost.");
  EXPECT_EQ(host.exit_code, 1);
}

// The merged table for the host's and the guest's keys ('^' is Escape), as a sorted string.
std::string merged(const char* host_keys, const char* guest_keys) {
  InputEntry e[2];
  for (int side = 0; side < 2; side++)
    for (const char* k = side ? guest_keys : host_keys; *k; k++)
      e[side].codes[e[side].count++] = *k == '^' ? 27 : *k;
  bool out[KEY_CODES];
  merge_keys(e[0], e[1], out);
  std::string down;
  for (int c = 0; c < KEY_CODES; c++)
    if (out[c]) down += c == 27 ? '^' : (char)c;
  return down;
}

TEST(SessionRules, EachKeyboardMovesOnlyItsOwnArcher) {
  bool saved_move = move, saved_colour = New_Nastavenia;
  move = true;  // in play either hand set is the player's own; the rest acts from both
  EXPECT_EQ(merged("^IL", "EF"), "^EFIL");
  EXPECT_EQ(merged("MN", "AQ"), "AMNQ");
  EXPECT_EQ(merged("I", ""), "E");
  move = false, New_Nastavenia = true;  // colour screen: only the colour keys are remapped
  EXPECT_EQ(merged("JL", "SF"), "FJLS");
  EXPECT_EQ(merged("I", "E"), "EI");
  New_Nastavenia = false;  // menus: every key as it is (the host's I opens the credits)
  EXPECT_EQ(merged("I", ""), "I");
  EXPECT_EQ(merged("JL", ""), "JL");
  move = saved_move, New_Nastavenia = saved_colour;
}

// A new map every frame, past the 65535 map numbers and round again: the guest plays each
// frame on the host's map.
TEST(SessionRules, MapNumbersStartAgainAfterTheLast) {
  Session host, guest;
  connect(&host, &guest);
  ASSERT_EQ(guest.phase, PHASE_RUNNING);
  bool none[KEY_CODES] = {};
  int changes = 0;
  double now = 1000;
  GameSnapshot states[2];
  snapshot_take(&states[0]);
  states[1] = states[0];
  for (int f = 0; f < 70000 && guest.phase == PHASE_RUNNING; f++) {
    const std::uint16_t before = host.map_current;
    session_set_map(&host, MapText{true, std::to_string(f) + "\n"});
    changes += host.map_current != before;
    for (int i = 0; i < 2; i++) {  // each side runs the group on its own state
      Session* s = i == 0 ? &host : &guest;
      session_add_input(s, none, 0);
      snapshot_put(states[i]);
      session_advance(s);
      snapshot_take(&states[i]);
    }
    for (int tries = 0; tries < 10 && guest.confirmed <= (std::uint32_t)f; tries++) {
      exchange(&host, &guest, now += 10);
      snapshot_put(states[1]);
      session_advance(&guest);
      snapshot_take(&states[1]);
    }
    ASSERT_GT(guest.confirmed, (std::uint32_t)f) << "group " << f;
    const std::uint16_t id = guest.runs[f % SAVE_RING].theirs.map;
    ASSERT_EQ(guest.maps[id % MAP_RING].text,
              host.maps[host.local[f % INPUT_RING].map % MAP_RING].text)
        << "group " << f;
  }
  EXPECT_GT(changes, 65535);
  EXPECT_NE(host.map_current, 0);
}

// A guest that takes no maps: the host's changes wait, and the caller is told so that it
// offers them again rather than count them as sent.
TEST(SessionRules, AMapChangeTheGuestCannotTakeYetIsRefused) {
  Session host;
  session_begin(&host, true, "1.0.0", 0);
  int taken = 0;
  for (int i = 0; i < MAP_RING + 2; i++)
    taken += session_set_map(&host, MapText{true, std::to_string(i)});
  EXPECT_EQ(taken, MAP_RING - 1);
  EXPECT_FALSE(session_set_map(&host, MapText{true, "new"}));
  EXPECT_TRUE(
      session_set_map(&host, MapText{true, std::to_string(MAP_RING - 2)}));  // the current one
}

TEST(SessionRules, MalformedMessagesAreRefusedWhole) {
  Message m;
  m.type = MSG_INPUTS;
  m.from_host = true;
  m.count = 2;
  m.inputs[0].count = 2, m.inputs[0].codes[0] = 'A', m.inputs[0].codes[1] = 'E';
  m.inputs[0].map = 1, m.inputs[1].map = 1;
  const std::string good = encode_message(m);
  Message out;
  ASSERT_TRUE(decode_message((const std::uint8_t*)good.data(), good.size(), &out));
  EXPECT_EQ(out.count, 2);
  for (size_t cut = 0; cut < good.size(); cut++)
    EXPECT_FALSE(decode_message((const std::uint8_t*)good.data(), cut, &out)) << cut;
  EXPECT_FALSE(decode_message((const std::uint8_t*)(good + "x").data(), good.size() + 1, &out));
  auto refused = [&](Message bad) {
    std::string b = encode_message(bad);
    return !decode_message((const std::uint8_t*)b.data(), b.size(), &out);
  };
  Message bad = m;
  bad.inputs[0].codes[0] = 0;  // no such key
  EXPECT_TRUE(refused(bad));
  bad = m, bad.inputs[0].codes[1] = 'A';  // a key twice
  EXPECT_TRUE(refused(bad));
  bad = m, bad.inputs[1].level = 4;
  EXPECT_TRUE(refused(bad));
  bad = m, bad.from_host = false;  // the guest names no map
  EXPECT_TRUE(refused(bad));
  bad = Message(), bad.type = MSG_MAP, bad.map_id = 1, bad.map.present = true;
  bad.map.text.assign(MAP_TEXT_MAX + 1, '1');
  EXPECT_TRUE(refused(bad));
  bad.map.text.resize(MAP_TEXT_MAX);
  EXPECT_FALSE(refused(bad));
  // the host's group sizes: one step to a second's steps at level 1, each level its own
  Message welcome;
  welcome.type = MSG_WELCOME, welcome.protocol = PROTOCOL, welcome.map_id = 1;
  welcome.group_steps[0] = GROUP_STEPS_MOST, welcome.group_steps[1] = 3;
  const std::string w = encode_message(welcome);
  ASSERT_TRUE(decode_message((const std::uint8_t*)w.data(), w.size(), &out));
  EXPECT_EQ(out.group_steps[0], GROUP_STEPS_MOST);
  EXPECT_EQ(out.group_steps[1], 3);
  EXPECT_EQ(out.group_steps[2], 1);
  bad = welcome, bad.group_steps[2] = 0;
  EXPECT_TRUE(refused(bad));
  bad = welcome, bad.group_steps[0] = GROUP_STEPS_MOST + 1;
  EXPECT_TRUE(refused(bad));

  // Frames far ahead are not taken; the session goes on.
  Session host, guest;
  connect(&host, &guest);
  Message far = m;
  far.first = 100000;
  std::string b = encode_message(far);
  session_receive(&guest, (const std::uint8_t*)b.data(), b.size(), 500);
  EXPECT_EQ(guest.remote_next, (std::uint32_t)guest.delay);
  session_receive(&guest, (const std::uint8_t*)"KV", 2, 500);
  EXPECT_EQ(guest.dropped, 1);
  EXPECT_EQ(guest.phase, PHASE_RUNNING);
}

std::string bytes_of(int type, const char* version = "9.9.9") {
  Message m;
  m.type = type;
  m.protocol = PROTOCOL;
  m.version = version;
  return encode_message(m);
}

// The host's side of odd guests and of a goodbye that got lost: a guest that greets and
// never completes the handshake, or goes, is let go without a word; only a hello is a
// greeting; after an announced Exit, or once this side's own steps ended the game, silence
// ends the session in order.
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
  Dump_Init();
  // the guest announced its Exit; its last keys never came
  connect(&host, &guest);
  ASSERT_EQ(host.phase, PHASE_RUNNING);
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

namespace {

// Two sides with their own states and step clocks, pictures at given times.
struct ClockedSide {
  Session s;
  GameSnapshot state;
  StepClock clock;
};

// One picture on one side at time ns: the groups its clock calls for, as the game runs them.
int picture(ClockedSide* me, std::int64_t ns, bool shown) {
  snapshot_put(me->state);
  const int due = session_groups_due(&me->s, &me->clock, ns, shown);
  const bool none[KEY_CODES] = {};
  int ran = 0;
  for (int g = 0; g < due && shown && session_wants_input(&me->s); g++) {
    session_add_input(&me->s, none, 0);
    ran += session_advance(&me->s);
  }
  session_advance(&me->s);
  snapshot_take(&me->state);
  return ran;
}

// The host's groups of 50 steps reach the guest in the welcome; both run one group a
// picture at 60 pictures a second however the pictures jitter, 60 groups a second at 144,
// and a side whose other side was minimised for a second owes two groups, not sixty.
TEST(SessionRules, GroupsComeAtTheStepClocksPace) {
  ClockedSide side[2];
  snapshot_take(&side[0].state);
  side[1].state = side[0].state;
  session_begin(&side[0].s, true, "1.0.0", 0);
  session_begin(&side[1].s, false, "1.0.0", 0);
  session_set_group_steps(&side[0].s, GROUP_STEPS);
  session_set_map(&side[0].s, MapText{true, "1\n2\n3\n4\n5\n"});
  for (double now = 0; now < 3000; now += 100) exchange(&side[0].s, &side[1].s, now);
  ASSERT_EQ(side[1].s.phase, PHASE_RUNNING);
  EXPECT_EQ(side[1].s.group_size[0], 50);
  EXPECT_EQ(side[1].s.group_size[1], 3);
  EXPECT_EQ(side[1].s.group_size[2], 1);

  const std::int64_t second = 1000000000;
  int single[2] = {};
  auto run = [&](int pictures, int rate, std::int64_t from, int jitter_ms, bool guest_shown,
                 int* groups) {
    for (int p = 0; p < pictures; p++) {
      const std::int64_t at = from + p * second / rate + (p % 2 ? 1 : -1) * jitter_ms * 1000000;
      for (int i = 0; i < 2; i++) {
        const int ran = picture(&side[i], at, i == 0 || guest_shown);
        groups[i] += ran;
        single[i] += ran == 1;
      }
      exchange(&side[0].s, &side[1].s, 3000 + at / 1e6);
    }
  };
  int groups[2] = {};
  run(1, 60, 0, 0, true, groups);  // the clocks start
  groups[0] = groups[1] = single[0] = single[1] = 0;
  run(120, 60, second / 60, 4, true, groups);
  EXPECT_EQ(single[0], 120) << "pictures that ran one group";
  EXPECT_EQ(single[1], 120);
  groups[0] = groups[1] = 0;
  run(144, 144, 2 * second + second / 144, 0, true, groups);
  EXPECT_NEAR(groups[0], 60, 1);
  EXPECT_NEAR(groups[1], 60, 1);
  groups[0] = groups[1] = 0;
  run(60, 60, 3 * second, 0, false, groups);
  EXPECT_EQ(groups[1], 0) << "minimised, the guest runs nothing";
  EXPECT_LE(groups[0], PREDICT_MAX) << "the host runs ahead only as far as it may guess";
  // the second the host waited is not owed: it would run that far ahead at once after
  EXPECT_LE(side[0].s.steps_owed, 2 * 50 + 25);
  snapshot_put(side[0].state);
}

}  // namespace
