// Two games in one process, each with its own state, play random keys over a link that
// delays, reorders, loses and repeats, also with a side minimised, the host's map changing and
// garbage: after every frame both states agree. The host's recordings replay to its end
// state, and anything but a whole recording of this version is refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "flow/game.h"
#include "record/recording.h"
#include "session/lockstep.h"
#include "state/snapshot.h"
#include "state/state_fields.h"
#include "tests/game_state.h"

namespace {

// Sessions of 100 frames each: 2000 random input streams in all.
constexpr int RUNS = 1000;

struct Link {
  std::mt19937* rng;
  int loss_percent, repeat_percent, delay_ms, jitter_ms;
  std::multimap<double, std::pair<int, std::string>> flying;  // arrival -> (to side, bytes)

  void carry(int to, const std::string& bytes, double now) {
    if ((int)((*rng)() % 100) < loss_percent) return;
    int copies = (int)((*rng)() % 100) < repeat_percent ? 2 : 1;
    for (int i = 0; i < copies; i++)
      flying.emplace(now + delay_ms + (*rng)() % (jitter_ms + 1), std::make_pair(to, bytes));
  }
};

struct Side {
  Session session;
  GameSnapshot state;
  bool held[KEY_CODES] = {};
  bool minimised = false;
  bool ended = false;               // its final steps ended the game (Exit)
  bool recording = false;           // its final steps go to the recording
  bool told_active = true;          // the window as the recording has it
  std::vector<std::string> finals;  // each final step's inputs, as bytes
};

const int KEYS[] = {' ', ' ', 13,  27,  'E', 'S', 'D', 'F', 'A', 'Q', 'I',
                    'J', 'K', 'L', 'M', 'N', 'H', '1', '2', '3', 38,  40};

void final_step(const FrameInput& in, const MapText* map, void* context) {
  Side* me = static_cast<Side*>(context);
  std::string step(reinterpret_cast<const char*>(in.keys), KEY_CODES);
  step += static_cast<char>(in.speed_level);
  if (map) step += (map->present ? "+" : "-") + map->text;
  me->finals.push_back(step);
  if (me->recording) record_frame(in.keys, in.speed_level, map);
}

void window_note(bool is_active, void* context) {
  Side* me = static_cast<Side*>(context);
  me->told_active = is_active;
  if (me->recording) record_active(is_active);
}

// Two steps a group from the start-up, so groups of several steps are played too.
int two_steps(std::uint32_t, void*) {
  return 2;
}

// The state this side's final steps left (the groups after them ran on guesses).
void final_state(const Side& me) {
  const Session& s = me.session;
  snapshot_put(s.confirmed < s.frame ? s.runs[s.confirmed % SAVE_RING].before : me.state);
}

// One session of about `groups` final groups a side. With a recording path the host
// records there, and closes its window at the end if closing. late_ms holds the guest's
// messages back that long over the link's own delay.
void play(std::mt19937* rng, Link* link, int groups, bool minimising, bool garbage, Side side[2],
          const GameSnapshot& startup, const char* recording, bool closing, bool paired = false) {
  std::string error;
  if (recording) {
    ASSERT_TRUE(record_open(recording, &error)) << error;
  }
  for (int i = 0; i < 2; i++) {
    side[i] = Side();
    side[i].state = startup;
    side[i].recording = recording && i == 0;
    session_begin(&side[i].session, i == 0, "1.0.0", 0, 1 + (*rng)() % 20, (*rng)() % 4);
    side[i].session.on_final = final_step;
    side[i].session.on_window = window_note;
    side[i].session.context = &side[i];
    if (paired) side[i].session.group_steps = two_steps;
  }
  if (!paired && (*rng)() % 10 == 0) session_set_group_steps(&side[0].session, GROUP_STEPS);
  session_set_map(&side[0].session, MapText{true, "1\n3\n3\n2\n2\n"});
  for (double now = 0; now < 120000; now += 1) {
    while (!link->flying.empty() && link->flying.begin()->first <= now) {
      auto [to, bytes] = link->flying.begin()->second;
      link->flying.erase(link->flying.begin());
      session_receive(&side[to].session, (const std::uint8_t*)bytes.data(), bytes.size(), now);
    }
    if (garbage && (*rng)() % 50 == 0) {
      std::string junk(1 + (*rng)() % 40, 0);
      for (char& c : junk) c = (char)(*rng)();
      if ((*rng)() % 2) junk.replace(0, std::min<size_t>(3, junk.size()), "KV\x05");
      link->carry((*rng)() % 2, junk, now);
    }
    for (int i = 0; i < 2; i++) {
      Side& me = side[i];
      Session* s = &me.session;
      if (minimising && (*rng)() % 400 == 0) {
        me.minimised = !me.minimised;
        session_note_window(s, !me.minimised);
      }
      if (i == 0 && (*rng)() % 3000 == 0)
        session_set_map(
            s, MapText{(*rng)() % 5 != 0, std::to_string((*rng)() % 9) + "\n1\n1\n2\n7\n"});
      // each side starts at most one group a millisecond, the slower one less often
      if (!me.minimised && !me.ended && session_wants_input(s) && (i == 0 || (*rng)() % 3)) {
        if ((*rng)() % 6 == 0)
          for (int code : KEYS) me.held[code] = (*rng)() % 5 == 0;
        session_add_input(s, me.held, (*rng)() % 200 == 0 ? 1 + (*rng)() % 3 : 0);
      }
      snapshot_put(me.state);
      session_advance(s);
      me.ended = session_finished(s);
      snapshot_take(&me.state);
      if (me.ended && s->phase == PHASE_RUNNING && session_delivered(s))
        session_leave(s, LEAVE_EXIT);
      session_poll(s, now);
      for (const std::string& bytes : s->outbox) link->carry(1 - i, bytes, now);
      s->outbox.clear();
    }
    bool finished = true;
    for (int i = 0; i < 2; i++)
      finished = finished &&
                 ((int)side[i].session.confirmed >= groups || side[i].session.phase == PHASE_ENDED);
    if (finished) break;
  }
  if (recording && closing) record_close();
  if (recording) record_finish();
}

// Both sides' final steps are the same, as far as both got.
void expect_same_steps(const Side side[2], int run) {
  const size_t n = std::min(side[0].finals.size(), side[1].finals.size());
  ASSERT_GT(n, 0u) << "run " << run;
  for (size_t f = 0; f < n; f++)
    ASSERT_EQ(side[0].finals[f], side[1].finals[f]) << "run " << run << " step " << f + 1;
}

TEST(Session, BothGamesComputeTheSameFramesOverABadLink) {
  Dump_Init();
  const GameSnapshot& startup = startup_state();
  std::mt19937 rng(7);
  long long frames_compared = 0, matches = 0, rollbacks = 0;
  char path[] = "/tmp/korvalen-recording-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::vector<std::uint8_t> bytes;
  std::string error;
  for (int run = 0; run < RUNS; run++) {
    Link link{&rng, (int)(rng() % 25), (int)(rng() % 20), (int)(rng() % 40), (int)(rng() % 60), {}};
    const bool minimising = run % 3 == 1, garbage = run % 3 == 2;
    Side side[2];
    const bool recorded = run % 10 == 0, closing = run % 20 == 10;
    play(&rng, &link, 100, minimising, garbage, side, startup, recorded ? path : nullptr, closing,
         run % 4 == 3);
    // each side ran to the end, or both ended the game through Exit at the same step
    expect_same_steps(side, run);
    for (int i = 0; i < 2; i++) {
      EXPECT_NE(side[i].session.phase == PHASE_ENDED && side[i].session.exit_code, 1)
          << side[i].session.end_message << " run " << run;
      EXPECT_TRUE(side[i].session.confirmed >= 100 ||
                  side[0].finals.size() == side[1].finals.size())
          << "run " << run;
    }
    frames_compared += std::min(side[0].finals.size(), side[1].finals.size());
    rollbacks += side[0].session.rollbacks + side[1].session.rollbacks;
    final_state(side[0]);
    matches += player[1].play && Build_Max > 0;
    if (recorded) {
      active = side[0].told_active;  // the host's window as the recording left it
      done = done || closing;
      const std::uint64_t host_end = State_Hash();
      bytes.assign(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()),
                   {});
      snapshot_put(startup);
      EXPECT_GE(recording_run(bytes.data(), bytes.size(), &error), 0) << error;
      EXPECT_EQ(State_Hash(), host_end) << "the recording of run " << run;
    }
  }
  EXPECT_GT(frames_compared, 60000);
  EXPECT_GT(matches, 30) << "the random keys start matches";
  EXPECT_GT(rollbacks, 1000) << "the guesses were wrong now and then, and put right";
  // Every cut short, and a few bytes changed where the frames cannot take them.
  for (size_t cut : {size_t{0}, size_t{5}, size_t{12}, bytes.size() / 2, bytes.size() - 1}) {
    snapshot_put(startup);
    EXPECT_EQ(recording_run(bytes.data(), cut, &error), -1) << cut;
    EXPECT_FALSE(error.empty());
  }
  std::vector<std::uint8_t> other = bytes;
  other[11] = '9';  // another game version
  EXPECT_EQ(recording_run(other.data(), other.size(), &error), -1);
  EXPECT_NE(error.find("this is"), std::string::npos) << error;
  other = bytes;
  other.insert(other.end() - 5, {'F', 2, 'E', 'E', 0});  // a key twice
  EXPECT_EQ(recording_run(other.data(), other.size(), &error), -1);
  std::remove(path);
  snapshot_put(startup);
}

// The guest presses Space in the main menu; its keys reach the host 150 ms late, fifteen
// groups (the host's reach the guest at once). The groups are the host's, 50 steps each at
// level 1, and the guest learns their size from the welcome. The host has long guessed "no
// keys" and run on: it puts the state back, runs the groups again, and both end up in the
// colour screen with the same steps and states.
TEST(Session, LateKeysThatDifferPutTheStateRight) {
  Dump_Init();
  const GameSnapshot& startup = startup_state();
  Side side[2];
  std::multimap<double, std::pair<int, std::string>> flying;
  for (int i = 0; i < 2; i++) {
    side[i].state = startup;
    session_begin(&side[i].session, i == 0, "1.0.0", 0);
    side[i].session.on_final = final_step;
    side[i].session.context = &side[i];
  }
  session_set_group_steps(&side[0].session, GROUP_STEPS);
  session_set_map(&side[0].session, MapText{true, "1\n3\n3\n2\n2\n"});
  long long host_rollbacks_before_space = -1;
  for (double now = 0; now < 20000 && side[0].session.confirmed < 60; now += 1) {
    while (!flying.empty() && flying.begin()->first <= now) {
      auto [to, bytes] = flying.begin()->second;
      flying.erase(flying.begin());
      session_receive(&side[to].session, (const std::uint8_t*)bytes.data(), bytes.size(), now);
    }
    for (int i = 0; i < 2; i++) {
      Session* s = &side[i].session;
      if (now == std::floor(now / 10) * 10 && session_wants_input(s)) {  // a group every 10 ms
        const bool space = i == 1 && s->local_next >= 10 && s->local_next < 13;
        side[i].held[' '] = space;
        if (space && host_rollbacks_before_space < 0)
          host_rollbacks_before_space = side[0].session.rollbacks;
        session_add_input(s, side[i].held, 0);
      }
      snapshot_put(side[i].state);
      session_advance(s);
      snapshot_take(&side[i].state);
      session_poll(s, now);
      for (const std::string& bytes : s->outbox)
        flying.emplace(now + (i == 1 ? 150 : 1), std::make_pair(1 - i, bytes));
      s->outbox.clear();
    }
  }
  ASSERT_GE(side[0].session.confirmed, 60u) << side[0].session.end_message;
  EXPECT_EQ(host_rollbacks_before_space, 0);
  EXPECT_GE(side[0].session.rollbacks, 1) << "the host's guess of the guest's Space was wrong";
  EXPECT_EQ(side[1].session.rollbacks, 0) << "the guest always knew the host's keys";
  EXPECT_GE(side[0].session.groups_rerun, 10);
  EXPECT_GE(side[0].session.steps_rerun, 10 * GROUP_STEPS[0]);
  EXPECT_GE(side[0].finals.size(), 60u * GROUP_STEPS[0]) << "every step is final once";
  expect_same_steps(side, 0);
  std::uint64_t hashes[2];
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(side[i].session.phase, PHASE_RUNNING) << side[i].session.end_message;
    snapshot_put(side[i].state);
    EXPECT_TRUE(New_Nastavenia) << "side " << i << " shows the colour screen";
    final_state(side[i]);
    hashes[i] = State_Hash();
  }
  EXPECT_EQ(hashes[0], hashes[1]);
  snapshot_put(startup);
}

}  // namespace
