// Watching a recording: the recording fills each step's input record, as the keyboard does in
// play, and the watcher's own keys steer the watching only, never the game.
#include "game/watch.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "flow/flag_grid.h"
#include "flow/game.h"
#include "flow/step_clock.h"
#include "game/draw_scene.h"
#include "game/step_sounds.h"
#include "platform/platform.h"
#include "platform/signals.h"
#include "platform/sound.h"
#include "record/playback.h"
#include "render/render.h"
#include "screens/screens.h"
#include "state/bindings.h"
#include "state/game_random.h"
#include "state/language.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "world/world.h"

namespace {

constexpr long long JUMP_TICKS = 10 * PLAYBACK_TICKS_PER_SECOND;
constexpr int PACE_MOST = 4;  // the pace goes from 1/16 to 16 times the recorded one

Playback playback;  // large: the recording and the state it starts from

// A recording is run once whole before it is watched, which for a long one takes a minute:
// it runs in slices, the game answering a quit between them. One that has not run within
// QUIET_CHECK gets the window, showing how far the run got, a picture after every slice.
constexpr std::int64_t QUIET_CHECK_NS = 250'000'000, SLICE_NS = 30'000'000;
constexpr long long SLICE_FRAMES = 2000;  // frames run between two looks at the clock

struct Watch {
  StepClock clock;
  bool paused = false, over = false;
  bool drawn = false;          // the picture shows the watch as it stands
  int pace = 0;                // the pace is 2 to this power times the recorded one
  std::int64_t real_last = 0;  // the real time at the last picture
  std::int64_t watched = 0;    // the recording's time, which runs at the pace
};

std::int64_t now_ns() {
  return monotonic_now_ns();
}

// The recording's time now: real time since the last picture, at the pace.
std::int64_t watched_time(Watch* w) {
  std::int64_t now = now_ns(), passed = now - w->real_last;
  w->real_last = now;
  w->watched += w->pace >= 0 ? passed << w->pace : passed >> -w->pace;
  return w->watched;
}

// One key of the watcher's.
void watch_key(Watch* w, int code) {
  w->drawn = false;
  if (code == VK_ESCAPE) w->over = true;
  if (code == VK_SPACE) w->paused = !w->paused;
  if (code == VK_RIGHT) playback_seek(&playback, playback.ticks + JUMP_TICKS, nullptr);
  if (code == VK_LEFT)
    playback_seek(&playback, playback.ticks > JUMP_TICKS ? playback.ticks - JUMP_TICKS : 0,
                  nullptr);
  if ((code == VK_PLUS || code == VK_PAD_PLUS) && w->pace < PACE_MOST) w->pace++;
  if ((code == VK_MINUS || code == VK_PAD_MINUS) && w->pace > -PACE_MOST) w->pace--;
}

// One message from the window: the watcher's keys act, closing ends; minimising and sizing go
// to the window as in play. No key reaches the game's key table.
void watch_message(Watch* w, const MSG& msg) {
  if (msg.message == WM_QUIT) w->over = true;
  if (msg.message == WM_KEYDOWN) watch_key(w, msg.wParam);
  if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP) DispatchMessageA(&msg);
}

// The steps the time since the last picture calls for, at the recorded level and the pace.
void watch_steps(Watch* w) {
  bool running = !w->paused && !playback.ended;
  int steps = steps_before_picture(&w->clock, watched_time(w), speed_level(), running);
  for (int step = 0; step < steps; step++)
    if (!playback_step(&playback, run_frame_heard, nullptr)) break;
}

// "1:05", a recorded time in minutes and seconds.
std::string minutes(long long ticks) {
  long long seconds = ticks / PLAYBACK_TICKS_PER_SECOND;
  char text[32];
  snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

// Over the game's picture: where the watch is of the whole, its pace, paused, the end.
void draw_watch_line(const Watch& w) {
  std::string line = minutes(playback.ticks) + " / " + minutes(playback.total_ticks);
  if (w.pace) {
    char pace[32];
    snprintf(pace, sizeof pace, w.pace > 0 ? "   x%d" : "   x1/%d",
             1 << (w.pace > 0 ? w.pace : -w.pace));
    line += pace;
  }
  if (playback.ended)
    line += std::string("   ") + tr("Koniec zaznamu");
  else if (w.paused)
    line += std::string("   ") + tr("Pauza");
  text_layer_begin();
  yellow();
  glPrint(400, 455, 0, line.c_str());
  text_layer_end();
}

// One picture of the watch. Minimised, paused or at the end, it waits for the next message,
// so a picture that does not change costs nothing.
void watch_picture(Watch* w) {
  MSG msg;
  if (!active || ((w->paused || playback.ended) && w->drawn)) {
    watched_time(w);
    steps_before_picture(&w->clock, 0, speed_level(), false);
    if (GetMessageA(&msg)) watch_message(w, msg);
  }
  while (!w->over && PeekMessageA(&msg)) watch_message(w, msg);
  if (w->over || !active) return;
  watch_steps(w);
  DrawGLScene();
  draw_watch_line(*w);
  w->drawn = true;
  SwapBuffers();
  PacePicture();
}

// Watches the recording taken into playback in the open window, its name in the title.
void watch_playback(const std::string& path) {
  playback_restart(&playback);  // from the recorded start, whatever the window set
  SetWindowTitle(("Korvalen - " + path.substr(path.rfind('/') + 1)).c_str());
  Watch w;
  w.real_last = now_ns();
  while (!w.over) watch_picture(&w);
  SetWindowTitle("Korvalen");
}

// How far the first run got: a line and a bar, and how to give up.
void draw_progress(double share) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  text_layer_begin();
  yellow();
  std::string line =
      std::string(tr("Citam zaznam")) + " " + std::to_string((int)(share * 100)) + " %";
  glPrint(60, 200, 0, line.c_str());
  white();
  int filled = (int)(share * 40);
  glPrint(60, 230, 0, (std::string(filled, '#') + std::string(40 - filled, '.')).c_str());
  glPrint(60, 270, 0, tr("Esc - koniec"));
  text_layer_end();
  SwapBuffers();
}

// Runs the first run for up to ns: its result as playback_check's.
int check_for(std::int64_t ns, std::string* error) {
  std::int64_t until = now_ns() + ns;
  int read = 1;
  while (read > 0 && !quit_requested() && now_ns() < until)
    read = playback_check(&playback, SLICE_FRAMES, error);
  return read;
}

// The rest of the first run with the window up; false when the watcher closed it or asked
// the game to quit meanwhile.
bool check_in_window(int* read, std::string* error) {
  while (*read > 0) {
    MSG msg;
    while (PeekMessageA(&msg)) {
      if (msg.message == WM_QUIT || (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE))
        return false;
      if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP) DispatchMessageA(&msg);
    }
    *read = check_for(SLICE_NS, error);
    if (active) draw_progress(playback_checked_share(&playback));
  }
  return true;
}

int refused(const CommandLine& line, const std::string& error) {
  std::fprintf(stderr, "korvalen: %s: %s\n", line.watch.c_str(), error.c_str());
  return 2;
}

void close_window() {
  sound_close();
  KillGLWindow();
  KillFont();
}

}  // namespace

bool watch_from_menu(const std::string& path, const GameSnapshot& start_up, std::string* error) {
  GameSnapshot before;
  snapshot_take(&before);
  bool was_fullscreen = fullscreen, was_active = active;
  snapshot_put(start_up);
  fullscreen = was_fullscreen;
  active = was_active;
  std::vector<std::uint8_t> bytes;
  bool taken = recording_read_file(path.c_str(), &bytes, error) &&
               playback_open(&playback, std::move(bytes), error);
  if (taken) watch_playback(path);
  snapshot_put(before);
  // the recorded arenas and seeds were the recording's: the next match reads its own
  map_use_file();
  match_seed_withdraw();
  fullscreen = was_fullscreen;
  active = was_active;
  done = false;  // closing the window ends the watch, not the game
  return taken;
}

int watch_recording(const CommandLine& line, int volume) {
  // the start-up state, as korvalen-replay starts from it
  flag_grid_init();
  end_screen_offer_play_again(false);  // the watcher's keys never reach the game
  std::vector<std::uint8_t> bytes;
  std::string error;
  bool read_whole =
      recording_read_file(line.watch.c_str(), &bytes, &error, [] { return !quit_requested(); });
  if (quit_requested()) return 0;
  if (!read_whole || !playback_begin(&playback, std::move(bytes), &error))
    return refused(line, error);
  int read = check_for(QUIET_CHECK_NS, &error);
  if (quit_requested()) return 0;
  if (read < 0) return refused(line, error);
  // the title names the file from the first picture, the progress's too
  const std::string title = "Korvalen - " + line.watch.substr(line.watch.rfind('/') + 1);
  if (!CreateGLWindow(title.c_str(), Window.X, Window.Y, Window.BIT, fullscreen)) return 1;
  sound_open(volume);
  if (!check_in_window(&read, &error)) {
    close_window();
    return 0;
  }
  if (read < 0) {
    close_window();
    return refused(line, error);
  }
  watch_playback(line.watch);
  close_window();
  return 0;
}
