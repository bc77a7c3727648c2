// Writing a session's inputs as it goes, and running them again.
#include "record/recording.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "state/loop_marks.h"

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

void put16(std::string* out, unsigned v) {
  out->push_back(static_cast<char>(v & 0xff));
  out->push_back(static_cast<char>((v >> 8) & 0xff));
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
  return header + version;
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
  if (map) {
    pending.push_back('M');
    pending.push_back(map->present ? 1 : 0);
    put16(&pending, static_cast<unsigned>(map->text.size()));
    pending += map->text;
  }
  pending.push_back('F');
  size_t count_at = pending.size();
  pending.push_back(0);
  int count = 0;
  for (int code = 1; code < KEY_CODES; code++)
    if (frame_keys[code]) {
      pending.push_back(static_cast<char>(code));
      count++;
    }
  pending[count_at] = static_cast<char>(count);
  pending.push_back(static_cast<char>(speed_level));
  frames_written++;
}

void record_active(bool is_active) {
  if (record_fd < 0) return;
  pending.push_back('A');
  pending.push_back(is_active ? 1 : 0);
}

void record_close() {
  if (record_fd >= 0) pending.push_back('C');
}

void record_flush() {
  flush_pending();
}

void record_flush_if_due() {
  if (record_fd >= 0 && std::chrono::steady_clock::now() - last_flush >= std::chrono::seconds(1))
    flush_pending();
}

void record_finish() {
  if (record_fd < 0) return;
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

bool recording_begin(RecordingReader* reader, const std::uint8_t* data, std::size_t size,
                     std::string* error) {
  *reader = RecordingReader();
  reader->data = data;
  reader->size = size;
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
  reader->at = r.at;
  reader->window_active = true;
  reader->closed = false;
  map_use_given(false, "", 0);  // a match start with no recorded map is caught below
  return true;
}

int recording_next(RecordingReader* reader, RunFrame run, DrawAndPresent draw_and_present,
                   std::string* error) {
  Reader r{reader->data, reader->size, reader->at};
  FrameInput& in = reader->in;
  const std::uint8_t* p;
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
    } else if (tag == 'F') {
      int count, level, last = 0;
      std::memset(in.keys, 0, sizeof in.keys);
      if (!r.byte(&count)) count = -1;
      for (int i = 0; i < count; i++) {
        int code;
        if (!r.byte(&code) || code <= last) {
          count = -1;
          break;
        }
        in.keys[code] = true;
        last = code;
      }
      if (count < 0 || !r.byte(&level) || level > 3) {
        *error = "a broken frame record" + where();
        return -1;
      }
      if (!reader->window_active || reader->closed) {
        *error = std::string("a frame while the window is ") +
                 (reader->closed ? "closed" : "minimised") + where();
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
      reader->at = r.at;
      if (map_reads() != reads && !reader->map_waiting) {
        *error = "a match starts with no recorded map" + where();
        return -1;
      }
      if (reader->map_waiting) map_use_given(false, "", 0);
      reader->map_waiting = false;
      in.map_given = false;
      return 1;
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
