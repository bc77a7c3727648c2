// Watching a recording: its frames run in order from the start-up state, at the pace they
// were recorded, with jumps by recorded time. A jump back runs the frames again from the
// start, silently: the game keeps no history, and its frames are fast enough for that.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "record/recording.h"
#include "state/snapshot.h"

// Recorded time is counted in ticks: a step of level 1 is one tick, of level 2 fifteen, of
// level 3 fifty, so every level's step is a whole number of them.
constexpr long long PLAYBACK_TICKS_PER_SECOND = 3000;

struct Playback {
  std::vector<std::uint8_t> bytes;
  GameSnapshot start;      // the state the recording starts from
  RecordingReader reader;  // where the frames run so far end
  long long ticks = 0;     // recorded time run so far
  long long total_ticks = 0;
  bool window_active = true;  // the recording's own minimised and restored, apart from ours
  bool ended = false;         // the end mark is read: the last frame has run
};

// Reads a recording file whole; false with a one-line reason in *error when it cannot be read
// (not a regular file, unreadable, larger than any session could be). A large file is read in
// pieces, and going_on, when given, is asked before each: false stops the reading (false).
bool recording_read_file(const char* name, std::vector<std::uint8_t>* bytes, std::string* error,
                         const std::function<bool()>& going_on = nullptr);

// Takes a recording to watch, from the state the game stands in now (its start-up state). The
// whole of it runs once first, so a file the game cannot run is refused with the one-line
// reason korvalen-replay --recording gives; then the start is put back. playback_open does it
// at once; playback_begin reads the header and playback_check runs the rest in slices, so the
// game can show how far it got and answer its window between them.
bool playback_open(Playback* p, std::vector<std::uint8_t> bytes, std::string* error);
bool playback_begin(Playback* p, std::vector<std::uint8_t> bytes, std::string* error);
// Runs up to frames more of the first run: 1 while more remain, 0 once all ran (the start is
// put back), -1 with the reason when the rest cannot run (the start is put back too).
int playback_check(Playback* p, long long frames, std::string* error);
// How much of the recording the first run has read, 0 to 1.
double playback_checked_share(const Playback* p);
// Back to the start: the start state, and the first frame next.
void playback_restart(Playback* p);
// Runs the next frame with run; false once the last one has run.
bool playback_step(Playback* p, RunFrame run, DrawAndPresent draw_and_present);
// Runs on, silently, to the first frame at or after recorded time ticks (from the start when
// that lies behind), or to the end.
void playback_seek(Playback* p, long long ticks, DrawAndPresent draw_and_present);
