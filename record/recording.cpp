// Writing a session's inputs as it goes, and running them again.
#include "record/recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#ifndef KORVALEN_RECORDING_VERSION
#define KORVALEN_RECORDING_VERSION "unknown"
#endif

namespace {

const char MAGIC[8] = {'K', 'O', 'R', 'V', 'R', 'E', 'C', '\n'};

int record_fd = -1;
std::string pending;  // written at the next flush
long long frames_written;
std::chrono::steady_clock::time_point last_flush;

void put16(std::string* out, unsigned v) {
  out->push_back(static_cast<char>(v & 0xff));
  out->push_back(static_cast<char>((v >> 8) & 0xff));
}

// Writes everything waiting, whole records only, so a file cut short by a crash ends
// between two records.
void flush_pending() {
  size_t done_bytes = 0;
  while (record_fd >= 0 && done_bytes < pending.size()) {
    ssize_t n = write(record_fd, pending.data() + done_bytes, pending.size() - done_bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a full disk: the game plays on, the recording stops growing
    done_bytes += static_cast<size_t>(n);
  }
  pending.clear();
  last_flush = std::chrono::steady_clock::now();
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
  record_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (record_fd < 0) {
    *error = std::string("cannot write the recording ") + path + ": " + std::strerror(errno);
    return false;
  }
  pending = recording_header();
  frames_written = 0;
  flush_pending();
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

void record_flush_if_due() {
  if (record_fd >= 0 && std::chrono::steady_clock::now() - last_flush >= std::chrono::seconds(1))
    flush_pending();
}

void record_finish() {
  if (record_fd < 0) return;
  pending.push_back('Z');
  for (int i = 0; i < 4; i++)
    pending.push_back(static_cast<char>((frames_written >> (8 * i)) & 0xff));
  flush_pending();
  close(record_fd);
  record_fd = -1;
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

long long recording_run(const std::uint8_t* data, std::size_t size, std::string* error) {
  Reader r{data, size, 0};
  const std::uint8_t* p;
  long long format;
  int length;
  if (!r.take(sizeof MAGIC, &p) || std::memcmp(p, MAGIC, sizeof MAGIC) != 0) {
    *error = "not a Korvalen recording";
    return -1;
  }
  if (!r.number(2, &format) || !r.byte(&length) || !r.take(length, &p)) {
    *error = "the recording ends inside its header";
    return -1;
  }
  const std::string version(reinterpret_cast<const char*>(p), length);
  if (format != RECORDING_FORMAT || version != KORVALEN_RECORDING_VERSION) {
    *error = "recorded by Korvalen " + version + " (format " + std::to_string(format) +
             "); this is " KORVALEN_RECORDING_VERSION " (format " +
             std::to_string(RECORDING_FORMAT) + ")";
    return -1;
  }

  long long frames = 0;
  FrameInput in;
  bool map_waiting = false;
  map_use_given(false, "", 0);  // a match start with no recorded map is caught below
  for (;;) {
    int tag;
    if (!r.byte(&tag)) {
      *error =
          "the recording ends without its end mark, after " + std::to_string(frames) + " frames";
      return -1;
    }
    const std::string where = " (after " + std::to_string(frames) + " frames)";
    if (tag == 'Z') {
      long long count;
      if (!r.number(4, &count) || count != frames || r.at != r.size) {
        *error = "the end mark does not match the recording" + where;
        return -1;
      }
      return frames;
    }
    if (tag == 'M') {
      int present;
      long long text_size;
      if (!r.byte(&present) || !r.number(2, &text_size) || present > 1 ||
          text_size > static_cast<long long>(MAP_TEXT_MAX) || (!present && text_size) ||
          !r.take(text_size, &p) || map_waiting) {
        *error = "a broken map record" + where;
        return -1;
      }
      in.map.present = present;
      in.map.text.assign(reinterpret_cast<const char*>(p), text_size);
      map_waiting = true;
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
        *error = "a broken frame record" + where;
        return -1;
      }
      if (!active || done) {
        *error =
            std::string("a frame while the window is ") + (done ? "closed" : "minimised") + where;
        return -1;
      }
      in.speed_level = level;
      in.map_given = map_waiting;
      long reads = map_reads();
      run_frame_input(in, nullptr);
      frames++;
      if (map_reads() != reads && !map_waiting) {
        *error = "a match starts with no recorded map" + where;
        return -1;
      }
      if (map_waiting) map_use_given(false, "", 0);
      map_waiting = false;
      in.map_given = false;
    } else if (tag == 'A') {
      int value;
      if (!r.byte(&value) || value > 1) {
        *error = "a broken window record" + where;
        return -1;
      }
      active = value;
    } else if (tag == 'C') {
      done = true;
    } else {
      *error = "an unknown record" + where;
      return -1;
    }
  }
}
