// A recording of a session, local or online, or of one match: the game's version, then each
// frame's inputs in order, every match start's seed and arena, the window's minimise and
// restore, its closing, and an end mark. The replay runs it from the start-up state (a match
// kept on its own: from the state it carries) and comes out in the state the game ended in.
//
// The file: "KORVREC" and a line feed, the format number (two bytes, low first), the
// game's version (a length byte and its characters), a match start
//   'S' seed(4) sector(1) marks(1) length(2) text name_length(1) name
// (the bows' seed, the sector, marks: 1 the arena had value lines, 2 the match start
// reseeded the bows with the seed; the value lines; the arena's name): for a session the
// last match start before it, for a match kept on its own its own; then, for a match kept
// on its own, the state it starts from
//   'T' length(4) state              (as State_Pack gives it)
// then records, each a tag byte:
//   'S' ...                         as above: the match start the next frame makes
//   'F' level(1) command(5) command(5)   a frame: both players' commands (35 bits each,
//                                  player 1's first) and the speed level marked before
//                                  it (0 for none)
//   0x80|bit ... run(1)             a frame on the commands of the last frame with these
//                                  bits changed (bit 0 to 69: player 1's 35, then player
//                                  2's; rising, each a byte with its top bit set), no
//                                  speed level marked, then run (0 to 127) more frames
//                                  on the same commands
//   'R' count(1 to 3)               count more frames (1 or more) on the commands of the
//                                  last frame record, with no speed level marked; 7 bits a
//                                  byte, low first, the top bit set on all but the last
//   'A' 0|1                         the window minimised (0) or restored (1)
//   'C'                             the window closed: the loop ended
//   'Z' frames(4)                   the end, with the number of frames before it
// Numbers are unsigned, low byte first.
//
// Format 3 stores the players' commands, not the keys, a changed bit in a byte and a run of
// frames with the same commands once, with its count, and starts with the match start: a
// level-1 match of two computers takes tens of kilobytes, not megabytes.
// Format 2 (the first of the step clock: a frame record is one step) stored every frame
// whole, and format 1 (version 1.1.0, one step a picture, by rules that have changed since
// under the same version number) came before it: both are refused by their format, never
// run as something they are not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "flow/frame_input.h"
#include "state/match_start.h"

constexpr int RECORDING_FORMAT = 3;

// The header a recording of a session starts with: the magic, the format, the version, the
// last match start.
std::string recording_header();
// The header of one match kept on its own: its match start, and the state it starts from.
std::string recording_header(const MatchStart& start, const std::string& state);
// Starts writing a recording to path; false with the reason in *error when it cannot (a
// pipe nobody reads, a disk that takes not even the header). Never waits.
bool record_open(const char* path, std::string* error);
// Starts writing one match kept on its own, from the state the game stands in now (just
// before the frame that starts it) and with its match start.
bool record_open_match(const char* path, const MatchStart& start, std::string* error);
bool record_is_open();
// One frame's inputs, written after the frame ran; map is what its match start read, if
// one did (null otherwise).
void record_frame(const StepCommands& commands, int speed_level, const MapText* map);
// The window minimised (false) or back (true).
void record_active(bool is_active);
// The window closed.
void record_close();
// Writes what is waiting to the file now.
void record_flush();
// Writes what is waiting to the file once a second has passed since the last write.
void record_flush_if_due();
// Writes the end mark and closes the file.
void record_finish();
// True when a recording was asked for and a write failed: the file stops at its last whole
// frame (with its end mark where that fitted); why says so in one line.
bool record_lost(std::string* why);

// Reads a recording record by record and runs its frames one at a time.
struct RecordingReader {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0, at = 0;  // the bytes, and where the next record starts
  long long frames = 0;          // frames run so far
  bool map_waiting = false;      // a match-start record read, for the next frame
  MatchStart start;              // the match start the recording carries
  bool from_state = false;       // it started from its own state, put in place on reading
  bool had_frame = false;        // a frame record was read: a repeat repeats its commands
  long long repeats_left = 0;    // frames of the last repeat record still to run
  bool window_active = true;     // the recorded window: minimised (false) or shown
  bool closed = false;           // the recorded loop ended: its window closed, or Exit
  FrameInput in;
};
// How a frame read from the recording runs: run_frame_input, or a caller's own that also
// plays its sounds.
using RunFrame = void (*)(const FrameInput& in, DrawAndPresent draw_and_present);
// Reads the header and the match start after it, and nothing more (the game's state stays
// as it is): where the records begin in *end; false with a one-line reason in *error.
bool recording_match_start(const std::uint8_t* data, std::size_t size, MatchStart* start,
                           std::size_t* end, std::string* error);
// Reads the header, and puts the state a kept match starts from in place; false with a
// one-line reason in *error when the bytes are not a recording of this version. The bytes must stay
// where they are while the reader reads them.
bool recording_begin(RecordingReader* reader, const std::uint8_t* data, std::size_t size,
                     std::string* error);
// Reads on to the next frame and runs it with run; the window's records on the way set
// the reader's window_active and closed as they say (the recorded window, not this one's). 1 after
// a frame, 0 at the end mark, -1 with a one-line reason in *error when the rest is not a recording
// this version can run.
int recording_next(RecordingReader* reader, RunFrame run, DrawAndPresent draw_and_present,
                   std::string* error);

// Runs a recording from the start-up state (which the caller has set up), and leaves active
// and done as the recorded window was at its end. Returns the
// frames run, or -1 with a one-line reason in *error when the bytes are not a recording
// this version can run.
long long recording_run(const std::uint8_t* data, std::size_t size, std::string* error);
