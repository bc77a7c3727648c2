// Writing a session's inputs as it goes, and running them again.
#include "record/recording.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "state/loop_marks.h"
#include "state/match_start.h"

#ifndef KORVALEN_RECORDING_VERSION
#define KORVALEN_RECORDING_VERSION "unknown"
#endif

namespace {

const char MAGIC[8] = {'K', 'O', 'R', 'V', 'R', 'E', 'C', '\n'};

int record_fd = -1;
std::string record_path;
std::string pending;       // whole records, written at the next flush
long long frames_written;  // frames in pending and the file
long long frames_kept;     // frames in the file
off_t kept_size;           // the file's bytes up to its last whole record
std::string lost_reason;   // why the recording stopped early, "" while it is whole
std::chrono::steady_clock::time_point last_flush;
bool last_was_frame;        // the record before the next is a frame or a repeat
bool last_keys[KEY_CODES];  // the keys of the last frame written
bool any_frame;             // a frame was written: last_keys hold its keys
long long repeats;          // frames like it since, not yet in pending
constexpr long long REPEATS_MOST = (1 << 21) - 1;  // in one repeat record: 3 bytes of 7 bits

void put16(std::string* out, unsigned v) {
  out->push_back(static_cast<char>(v & 0xff));
  out->push_back(static_cast<char>((v >> 8) & 0xff));
}

// The frames like the last one so far, as repeat records.
void put_repeats() {
  for (; repeats > 0; repeats -= std::min(repeats, REPEATS_MOST)) {
    pending.push_back('R');
    // 7 bits a byte, low first; the top bit says another byte follows
    for (long long n = std::min(repeats, REPEATS_MOST);; n >>= 7) {
      pending.push_back(static_cast<char>((n & 0x7f) | (n > 0x7f ? 0x80 : 0)));
      if (n <= 0x7f) break;
    }
  }
}

// Any record but a frame: the repeats before it go first, and it breaks the run.
void before_other_record() {
  put_repeats();
  last_was_frame = false;
}

void put_end_mark(std::string* out, long long frames) {
  out->push_back('Z');
  for (int i = 0; i < 4; i++) out->push_back(static_cast<char>((frames >> (8 * i)) & 0xff));
}

// Writes all of bytes; a pipe that is full for now is waited for a little while.
bool write_all(const std::string& bytes, int* error) {
  size_t done_bytes = 0;
  int waits = 0;
  while (done_bytes < bytes.size()) {
    ssize_t n = write(record_fd, bytes.data() + done_bytes, bytes.size() - done_bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN && waits++ < 200) {
      struct pollfd p = {record_fd, POLLOUT, 0};
      poll(&p, 1, 10);
      continue;
    }
    if (n <= 0) {
      *error = n < 0 ? errno : ENOSPC;
      return false;
    }
    done_bytes += static_cast<size_t>(n);
  }
  return true;
}

// A write failed: the file is cut back to its last whole record and given its end mark
// where that still fits; the game plays on without recording and says so at once.
void stop_recording(int error) {
  if (ftruncate(record_fd, kept_size) == 0 && lseek(record_fd, kept_size, SEEK_SET) == kept_size) {
    std::string end;
    put_end_mark(&end, frames_kept);
    int ignored;
    if (!write_all(end, &ignored) && ftruncate(record_fd, kept_size) != 0) {
      // a pipe or device: what went out stays as it is
    }
  }
  close(record_fd);
  record_fd = -1;
  pending.clear();
  lost_reason = "the recording " + record_path + " stopped after " + std::to_string(frames_kept) +
                " frames: " + std::strerror(error);
  std::fprintf(stderr, "korvalen: %s\n", lost_reason.c_str());
}

// Writes everything waiting, whole records only, so a file cut short by a crash ends
// between two records.
void flush_pending() {
  last_flush = std::chrono::steady_clock::now();
  put_repeats();
  if (record_fd < 0 || pending.empty()) return;
  int error = 0;
  if (!write_all(pending, &error)) {
    stop_recording(error);
    return;
  }
  kept_size += static_cast<off_t>(pending.size());
  frames_kept = frames_written;
  pending.clear();
}

}  // namespace

std::string recording_header() {
  std::string header(MAGIC, sizeof MAGIC);
  put16(&header, RECORDING_FORMAT);
  const std::string version = KORVALEN_RECORDING_VERSION;
  header.push_back(static_cast<char>(version.size()));
  header += version;
  // the match start: seed, sector, the arena's text and name
  header.push_back('S');
  for (int i = 0; i < 4; i++)
    header.push_back(static_cast<char>((match_start.seed >> (8 * i)) & 0xff));
  header.push_back(static_cast<char>(match_start.sector));
  header.push_back(match_start.arena_given ? 1 : 0);
  const std::string& text = match_start.arena_text;
  const std::size_t text_size = std::min<std::size_t>(text.size(), 0xffff);
  put16(&header, static_cast<unsigned>(text_size));
  header.append(text, 0, text_size);
  const std::size_t name_size = std::min<std::size_t>(match_start.arena_name.size(), 0xff);
  header.push_back(static_cast<char>(name_size));
  header.append(match_start.arena_name, 0, name_size);
  return header;
}

bool record_open(const char* path, std::string* error) {
  // a pipe nobody reads is refused rather than waited for
  record_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644);
  if (record_fd < 0) {
    *error = std::string("cannot write the recording ") + path + ": " +
             (errno == ENXIO ? "nothing reads from that pipe" : std::strerror(errno));
    return false;
  }
  record_path = path;
  lost_reason.clear();
  pending = recording_header();
  frames_written = frames_kept = 0;
  kept_size = 0;
  last_was_frame = false;
  any_frame = false;
  repeats = 0;
  int write_error = 0;
  if (!write_all(pending, &write_error)) {
    *error = std::string("cannot write the recording ") + path + ": " + std::strerror(write_error);
    close(record_fd);
    record_fd = -1;
    return false;
  }
  kept_size = static_cast<off_t>(pending.size());
  pending.clear();
  last_flush = std::chrono::steady_clock::now();
  return true;
}

bool record_is_open() {
  return record_fd >= 0;
}

void record_frame(const bool frame_keys[KEY_CODES], int speed_level, const MapText* map) {
  if (record_fd < 0) return;
  if (last_was_frame && !map && speed_level == 0 &&
      std::memcmp(frame_keys, last_keys, sizeof last_keys) == 0) {
    repeats++;
    frames_written++;
    return;
  }
  before_other_record();
  if (map) {
    pending.push_back('M');
    pending.push_back(map->present ? 1 : 0);
    put16(&pending, static_cast<unsigned>(map->text.size()));
    pending += map->text;
  }
  // the keys down, or (shorter, when only a few changed) the keys that changed
  int down = 0, changed = 0;
  for (int code = 1; code < KEY_CODES; code++) {
    down += frame_keys[code];
    changed += frame_keys[code] != last_keys[code];
  }
  const bool as_change = any_frame && speed_level == 0 && changed < down + 1;
  pending.push_back(as_change ? 'D' : 'F');
  pending.push_back(static_cast<char>(as_change ? changed : down));
  for (int code = 1; code < KEY_CODES; code++)
    if (as_change ? frame_keys[code] != last_keys[code] : frame_keys[code])
      pending.push_back(static_cast<char>(code));
  if (!as_change) pending.push_back(static_cast<char>(speed_level));
  frames_written++;
  any_frame = true;
  std::memcpy(last_keys, frame_keys, sizeof last_keys);
  last_was_frame = true;
}

void record_active(bool is_active) {
  if (record_fd < 0) return;
  before_other_record();
  pending.push_back('A');
  pending.push_back(is_active ? 1 : 0);
}

void record_close() {
  if (record_fd < 0) return;
  before_other_record();
  pending.push_back('C');
}

void record_flush() {
  flush_pending();
}

// A run of like frames goes out with each flush too, so a game that dies loses at most the
// last second of its recording, however long the keys stayed as they were.
void record_flush_if_due() {
  if (record_fd < 0 || std::chrono::steady_clock::now() - last_flush < std::chrono::seconds(1))
    return;
  put_repeats();
  flush_pending();
}

void record_finish() {
  if (record_fd < 0) return;
  before_other_record();
  put_end_mark(&pending, frames_written);
  flush_pending();
  if (record_fd >= 0) close(record_fd);
  record_fd = -1;
}

bool record_lost(std::string* why) {
  *why = lost_reason;
  return !lost_reason.empty();
}

namespace {

// Reads the recording's bytes in order; every read checks what is left.
struct Reader {
  const std::uint8_t* data;
  std::size_t size, at;
  bool take(std::size_t n, const std::uint8_t** out) {
    if (size - at < n) return false;
    *out = data + at;
    at += n;
    return true;
  }
  bool byte(int* out) {
    const std::uint8_t* p;
    if (!take(1, &p)) return false;
    *out = *p;
    return true;
  }
  bool number(int bytes, long long* out) {
    const std::uint8_t* p;
    if (!take(bytes, &p)) return false;
    *out = 0;
    for (int i = bytes - 1; i >= 0; i--) *out = *out * 256 + p[i];
    return true;
  }
};

}  // namespace

bool recording_match_start(const std::uint8_t* data, std::size_t size, MatchStart* start,
                           std::size_t* end, std::string* error) {
  Reader r{data, size, 0};
  const std::uint8_t* p;
  long long format;
  int length;
  if (!r.take(sizeof MAGIC, &p) || std::memcmp(p, MAGIC, sizeof MAGIC) != 0) {
    *error = "not a Korvalen recording";
    return false;
  }
  if (!r.number(2, &format) || !r.byte(&length) || !r.take(length, &p)) {
    *error = "the recording ends inside its header";
    return false;
  }
  const std::string version(reinterpret_cast<const char*>(p), length);
  if (format != RECORDING_FORMAT || version != KORVALEN_RECORDING_VERSION) {
    *error = "recorded by Korvalen " + version + " (format " + std::to_string(format) +
             "); this is " KORVALEN_RECORDING_VERSION " (format " +
             std::to_string(RECORDING_FORMAT) + "), which runs only its own";
    return false;
  }
  int tag, sector, given, name_size;
  long long seed, text_size;
  const std::uint8_t *text, *name;
  if (!r.byte(&tag) || tag != 'S' || !r.number(4, &seed) || !r.byte(&sector) || sector > 99 ||
      !r.byte(&given) || given > 1 || !r.number(2, &text_size) ||
      text_size > static_cast<long long>(MAP_TEXT_MAX) || (!given && text_size) ||
      !r.take(text_size, &text) || !r.byte(&name_size) || !r.take(name_size, &name)) {
    *error = "the recording has no whole match-start record after its header";
    return false;
  }
  start->seed = static_cast<std::uint32_t>(seed);
  start->sector = sector;
  start->arena_given = given;
  start->arena_text.assign(reinterpret_cast<const char*>(text), text_size);
  start->arena_name.assign(reinterpret_cast<const char*>(name), name_size);
  *end = r.at;
  return true;
}

bool recording_begin(RecordingReader* reader, const std::uint8_t* data, std::size_t size,
                     std::string* error) {
  *reader = RecordingReader();
  reader->data = data;
  reader->size = size;
  if (!recording_match_start(data, size, &reader->start, &reader->at, error)) return false;
  map_use_given(false, "", 0);  // a match start with no recorded map is caught below
  return true;
}

int recording_next(RecordingReader* reader, RunFrame run, DrawAndPresent draw_and_present,
                   std::string* error) {
  Reader r{reader->data, reader->size, reader->at};
  FrameInput& in = reader->in;
  const std::uint8_t* p;
  // one frame on the keys in in, with this speed mark; 1, or -1 when it cannot run
  auto run_one = [&](int level, const std::string& where) {
    if (!reader->window_active || reader->closed) {
      *error = std::string("a frame while the window is ") +
               (reader->closed ? "closed" : "minimised") + where;
      return -1;
    }
    in.speed_level = level;
    in.map_given = reader->map_waiting;
    long reads = map_reads();
    // the recorded loop ends by its own frames (Exit), not by the loop that runs it
    const bool running_loop_done = done;
    done = false;
    run(in, draw_and_present);
    reader->closed = done;
    done = running_loop_done;
    reader->frames++;
    if (map_reads() != reads && !reader->map_waiting) {
      *error = "a match starts with no recorded map" + where;
      return -1;
    }
    if (reader->map_waiting) map_use_given(false, "", 0);
    reader->map_waiting = false;
    in.map_given = false;
    return 1;
  };
  if (reader->repeats_left > 0) {
    reader->repeats_left--;
    return run_one(0, " (after " + std::to_string(reader->frames) + " frames)");
  }
  for (;; reader->at = r.at) {
    const long long frames = reader->frames;
    int tag;
    if (!r.byte(&tag)) {
      *error =
          "the recording ends without its end mark, after " + std::to_string(frames) + " frames";
      return -1;
    }
    // where a fault lies, said only when there is one
    auto where = [frames] { return " (after " + std::to_string(frames) + " frames)"; };
    if (tag == 'Z') {
      long long count;
      if (!r.number(4, &count) || count != frames || r.at != r.size) {
        *error = "the end mark does not match the recording" + where();
        return -1;
      }
      return 0;
    }
    if (tag == 'M') {
      int present;
      long long text_size;
      if (!r.byte(&present) || !r.number(2, &text_size) || present > 1 ||
          text_size > static_cast<long long>(MAP_TEXT_MAX) || (!present && text_size) ||
          !r.take(text_size, &p) || reader->map_waiting) {
        *error = "a broken map record" + where();
        return -1;
      }
      in.map.present = present;
      in.map.text.assign(reinterpret_cast<const char*>(p), text_size);
      reader->map_waiting = true;
    } else if (tag == 'F' || tag == 'D') {
      const bool change = tag == 'D';
      int count, level = 0, last = 0;
      if (!change) std::memset(in.keys, 0, sizeof in.keys);
      if (!r.byte(&count) || (change && !reader->had_frame)) count = -1;
      for (int i = 0; i < count; i++) {
        int code;
        if (!r.byte(&code) || code <= last) {
          count = -1;
          break;
        }
        in.keys[code] = !change || !in.keys[code];
        last = code;
      }
      if (count < 0 || (!change && !r.byte(&level)) || level > 3) {
        *error = "a broken frame record" + where();
        return -1;
      }
      reader->at = r.at;
      reader->had_frame = true;
      return run_one(level, where());
    } else if (tag == 'R') {
      long long more = 0;
      int part = 0x80;
      for (int i = 0; i < 3 && (part & 0x80); i++) {
        if (!r.byte(&part)) part = 0x80;
        more |= static_cast<long long>(part & 0x7f) << (7 * i);
      }
      if ((part & 0x80) || more < 1 || !reader->had_frame) {
        *error = "a broken repeat record" + where();
        return -1;
      }
      reader->at = r.at;
      reader->repeats_left = more - 1;
      return run_one(0, where());
    } else if (tag == 'A') {
      int value;
      if (!r.byte(&value) || value > 1) {
        *error = "a broken window record" + where();
        return -1;
      }
      reader->window_active = value;
    } else if (tag == 'C') {
      reader->closed = true;
    } else {
      *error = "an unknown record" + where();
      return -1;
    }
  }
}

long long recording_run(const std::uint8_t* data, std::size_t size, std::string* error) {
  RecordingReader reader;
  if (!recording_begin(&reader, data, size, error)) return -1;
  int read;
  while ((read = recording_next(&reader, run_frame_input, nullptr, error)) > 0) {
  }
  // the window as the recording left it, for the dump
  active = reader.window_active;
  done = done || reader.closed;
  return read < 0 ? -1 : reader.frames;
}
