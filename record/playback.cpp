// Playing a recording frame by frame, and jumping in it.
#include "record/playback.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "flow/game.h"
#include "flow/step_clock.h"
#include "state/files.h"

namespace {

// The ticks one step of the level now marked lasts.
long long step_ticks() {
  return PLAYBACK_TICKS_PER_SECOND / step_rate(speed_level());
}

// The recording's window (minimised or not) is its own state, kept apart from the window it is
// watched in; fullscreen is the watching window's alone.
struct RecordedWindow {
  Playback* p;
  bool watching_active = active, watching_fullscreen = fullscreen;
  explicit RecordedWindow(Playback* playback) : p(playback) { active = p->window_active; }
  ~RecordedWindow() {
    p->window_active = active;
    active = watching_active;
    fullscreen = watching_fullscreen;
  }
};

}  // namespace

void playback_restart(Playback* p) {
  RecordedWindow window(p);
  snapshot_put(p->start);
  std::string unused;
  recording_begin(&p->reader, p->bytes.data(), p->bytes.size(), &unused);
  p->window_active = true;
  p->ticks = 0;
  p->ended = false;
}

bool recording_read_file(const char* name, std::vector<std::uint8_t>* bytes, std::string* error,
                         const std::function<bool()>& going_on) {
  // far more than hours of play, and never the whole of a device
  const long long limit = 1LL << 30;
  const std::size_t piece = 16 << 20;  // read between two looks at going_on
  long long size = 0;
  errno = 0;
  std::FILE* f = open_regular_file(name, "rb", &size);
  bool stopped = false;
  if (f && size <= limit) {
    bytes->resize((size_t)size);
    for (std::size_t at = 0; size >= 0 && at < (std::size_t)size; at += piece) {
      if (going_on && !going_on()) {
        stopped = true;
        break;
      }
      std::size_t n = std::min(piece, (std::size_t)size - at);
      if (std::fread(bytes->data() + at, 1, n, f) != n) bytes->clear(), size = -1;
    }
    // one byte more than the size said: the file grew while read
    if (!stopped && size >= 0 && std::fgetc(f) != EOF) size = -1;
  }
  if (!f || stopped || size < 0 || size > limit) {
    *error = stopped ? "reading stopped" : "cannot read the recording";
    if (!f && errno) *error += std::string(": ") + std::strerror(errno);
    if (f) std::fclose(f);
    return false;
  }
  std::fclose(f);
  return true;
}

bool playback_begin(Playback* p, std::vector<std::uint8_t> bytes, std::string* error) {
  p->bytes = std::move(bytes);
  p->total_ticks = 0;
  snapshot_take(&p->start);
  RecordedWindow window(p);
  return recording_begin(&p->reader, p->bytes.data(), p->bytes.size(), error);
}

int playback_check(Playback* p, long long frames, std::string* error) {
  int read = 1;
  {
    RecordedWindow window(p);
    for (long long f = 0; f < frames && read > 0; f++)
      if ((read = recording_next(&p->reader, run_frame_input, nullptr, error)) > 0)
        p->total_ticks += step_ticks();
    if (read < 0) snapshot_put(p->start);
  }
  if (read == 0) playback_restart(p);
  return read;
}

double playback_checked_share(const Playback* p) {
  return p->bytes.empty() ? 1 : (double)p->reader.at / p->bytes.size();
}

bool playback_open(Playback* p, std::vector<std::uint8_t> bytes, std::string* error) {
  if (!playback_begin(p, std::move(bytes), error)) return false;
  int read;
  while ((read = playback_check(p, 1 << 20, error)) > 0) {
  }
  return read == 0;
}

bool playback_step(Playback* p, RunFrame run, DrawAndPresent draw_and_present) {
  if (p->ended) return false;
  RecordedWindow window(p);
  std::string unused;  // checked whole when opened
  if (recording_next(&p->reader, run, draw_and_present, &unused) <= 0) {
    p->ended = true;
    return false;
  }
  p->ticks += step_ticks();
  return true;
}

void playback_seek(Playback* p, long long ticks, DrawAndPresent draw_and_present) {
  if (ticks < p->ticks) playback_restart(p);
  while (p->ticks < ticks && playback_step(p, run_frame_input, draw_and_present)) {
  }
}
