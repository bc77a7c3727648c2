// A recording of a session, local or online: the game's version, then each frame's inputs
// in order, the window's minimise and restore, its closing, and an end mark. The replay
// runs it from the start-up state and comes out in the state the game ended in.
//
// The file: "KORVREC" and a line feed, the format number (two bytes, low first), the
// game's version (a length byte and its characters), the match start
//   'S' seed(4) sector(1) given(1) length(2) text name_length(1) name
// (the bows' seed, the sector, the arena's value lines when given as text, its name), then
// records, each a tag byte:
//   'M' present(1) length(2) text   the map the next frame's match start reads
//   'F' count(1) codes(count) level(1)   a frame: the keys down (codes 1 to 255, rising)
//                                  and the speed level marked before it (0 for none)
//   'D' count(1) codes(count)       a frame on the keys of the last frame with these
//                                  (rising) changed, with no speed level marked
//   'R' count(1 to 3)               count more frames (1 or more) on the keys of the last
//                                  frame record, with no speed level marked; 7 bits a
//                                  byte, low first, the top bit set on all but the last
//   'A' 0|1                         the window minimised (0) or restored (1)
//   'C'                             the window closed: the loop ended
//   'Z' frames(4)                   the end, with the number of frames before it
// Numbers are unsigned, low byte first.
//
// Format 3 stores a run of frames with the same keys once, with its count, and starts with
// the match start: a level-1 match of two computers takes tens of kilobytes, not megabytes.
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

// The header a recording of this game starts with: the magic, the format, the version.
std::string recording_header();
// Starts writing a recording to path; false with the reason in *error when it cannot (a
// pipe nobody reads, a disk that takes not even the header). Never waits.
bool record_open(const char* path, std::string* error);
bool record_is_open();
// One frame's inputs, written after the frame ran; map is what its match start read, if
// one did (null otherwise).
void record_frame(const bool frame_keys[KEY_CODES], int speed_level, const MapText* map);
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
  bool map_waiting = false;      // a map record read, for the next frame's match start
  MatchStart start;              // the match start the recording carries
  bool had_frame = false;        // a frame record was read: a repeat repeats its keys
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
// Reads the header; false with a one-line reason in *error when the bytes are not a recording
// of this version. The bytes must stay where they are while the reader reads them.
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
