// Two games in one process, each with its own state, play random keys over a link that
// delays, reorders, loses and repeats, also with a side minimised, the host's map changing and
// garbage: after every frame both states agree. The host's recordings replay to its end
// state, and anything but a whole recording of this version is refused.
#include <gtest/gtest.h>
#include <unistd.h>

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
  bool ended = false;                 // its frames ended the game (Exit)
  std::vector<std::uint64_t> hashes;  // after each frame
};

const int KEYS[] = {' ', ' ', 13,  27,  'E', 'S', 'D', 'F', 'A', 'Q', 'I',
                    'J', 'K', 'L', 'M', 'N', 'H', '1', '2', '3', 38,  40};

// One session of about `frames` frames, each side's hashes in side[]. With a recording path
// the host records there, and closes its window at the end if closing.
void play(std::mt19937* rng, Link* link, int frames, bool minimising, bool garbage, Side side[2],
          const GameSnapshot& startup, const char* recording, bool closing) {
  std::string error;
  if (recording) {
    ASSERT_TRUE(record_open(recording, &error)) << error;
  }
  for (int i = 0; i < 2; i++) {
    side[i] = Side();
    side[i].state = startup;
    session_begin(&side[i].session, i == 0, "1.0.0", 0, 1 + (*rng)() % 20, (*rng)() % 4);
  }
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
        if (recording && i == 0) record_active(!me.minimised);
      }
      if (i == 0 && (*rng)() % 3000 == 0)
        session_set_map(
            s, MapText{(*rng)() % 5 != 0, std::to_string((*rng)() % 9) + "\n1\n1\n2\n7\n"});
      if (!me.minimised && !me.ended && session_wants_input(s)) {
        if ((*rng)() % 6 == 0)
          for (int code : KEYS) me.held[code] = (*rng)() % 5 == 0;
        session_add_input(s, me.held, (*rng)() % 200 == 0 ? 1 + (*rng)() % 3 : 0);
      }
      // each side runs at most one frame a millisecond, the slower one less often
      if (!me.minimised && !me.ended && session_ready(s) && (i == 0 || (*rng)() % 3)) {
        snapshot_put(me.state);
        FrameInput in;
        session_frame_input(s, &in);
        const long reads = map_reads();
        run_frame_input(in, nullptr);
        if (recording && i == 0)
          record_frame(in.keys, in.speed_level, map_reads() != reads ? &map_last_read() : nullptr);
        me.hashes.push_back(State_Hash());
        session_frame_done(s, me.hashes.back());
        me.ended = done;
        snapshot_take(&me.state);
      }
      if (me.ended && s->phase == PHASE_RUNNING && session_delivered(s))
        session_leave(s, LEAVE_EXIT);
      session_poll(s, now);
      for (const std::string& bytes : s->outbox) link->carry(1 - i, bytes, now);
      s->outbox.clear();
    }
    bool finished = true;
    for (int i = 0; i < 2; i++)
      finished = finished &&
                 ((int)side[i].hashes.size() >= frames || side[i].session.phase == PHASE_ENDED);
    if (finished) break;
  }
  if (recording && closing) record_close();
  if (recording) record_finish();
}

TEST(Session, BothGamesComputeTheSameFramesOverABadLink) {
  Dump_Init();
  const GameSnapshot& startup = startup_state();
  std::mt19937 rng(7);
  long long frames_compared = 0, matches = 0;
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
    play(&rng, &link, 100, minimising, garbage, side, startup, recorded ? path : nullptr, closing);
    // each side ran to the end, or both ended the game through Exit at the same frame
    const size_t n = std::min(side[0].hashes.size(), side[1].hashes.size());
    ASSERT_GT(n, 0u) << "run " << run;
    for (size_t f = 0; f < n; f++)
      ASSERT_EQ(side[0].hashes[f], side[1].hashes[f]) << "run " << run << " frame " << f + 1;
    for (int i = 0; i < 2; i++) {
      EXPECT_NE(side[i].session.phase == PHASE_ENDED && side[i].session.exit_code, 1)
          << side[i].session.end_message << " run " << run;
      EXPECT_TRUE(side[i].hashes.size() >= 100 || side[0].hashes.size() == side[1].hashes.size())
          << "run " << run;
    }
    frames_compared += n;
    snapshot_put(side[0].state);
    matches += player[1].play && Build_Max > 0;
    if (recorded) {
      active = !side[0].minimised;  // the host's window as it was left
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

}  // namespace
