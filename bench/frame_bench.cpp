// What a frame of each screen costs on this machine's GL, against the least
// a frame covering the window can cost; and what start-up costs, step by step.
//   DISPLAY=:150 build/bench/frame_bench [--size 1280x1024] [--seconds 1.5] [--rounds 5]
//                                        [--only main_menu,play]
//   DISPLAY=:150 build/bench/frame_bench --startup [--starts 10]
// Run from the repository root (the images and s_1.txt are read from there).
// The reference is one textured, lit, depth-tested quad over the whole window;
// it and each screen take turns frame by frame through a window of a few
// seconds, so a busy machine slows both and the ratio holds. Each figure is
// the median over the rounds' windows.
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "flow/game.h"
#include "game/draw_scene.h"
#include "platform/platform.h"
#include "render/render.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "tools/screen_states/screen_states.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The floor: the grass image on one quad filling the view at depth 10, in the
// game's own lighting, depth test and projection, cleared and presented. The
// image spans the quad once (magnified), or with tiles of the field's size
// (minified, as the field samples it).
void draw_floor_quad(bool field_tiles) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glLoadIdentity();
  glColor3f(1, 1, 1);
  int w, h;
  WindowDrawableSize(&w, &h);
  const float half_h = 10 * std::tan(22.5f * 3.14159265f / 180) * 1.01f;
  const float half_w = half_h * w / h;
  // The field lies twice as far as this quad: a tile of it is half a unit here.
  const float s = field_tiles ? 4 * half_w : 1, t = field_tiles ? 4 * half_h : 1;
  glBindTexture(GL_TEXTURE_2D, texture[36]);
  glBegin(GL_QUADS);
  textured_rect(-half_w, -half_h, half_w, half_h, -10, 0, 0, s, t);
  glEnd();
}

void draw_reference() {
  draw_floor_quad(false);
}

void draw_reference_tiled() {
  draw_floor_quad(true);
}

// One presented frame of draw, in milliseconds.
double one_frame(void (*draw)()) {
  Clock::time_point t0 = Clock::now();
  draw();
  SwapBuffers();
  glFinish();
  return seconds_since(t0) * 1000;
}

// Frames of the screen and of the reference, taking turns frame by frame for
// the length of a window, so a load that comes and goes weighs on both alike.
struct WindowTimes {
  double screen_ms, reference_ms;
};

WindowTimes time_window(void (*draw)(), double seconds) {
  for (int i = 0; i < 3; i++) one_frame(draw), one_frame(draw_reference);  // settle
  double screen = 0, reference = 0;
  int frames = 0;
  Clock::time_point t0 = Clock::now();
  do {
    screen += one_frame(draw);
    reference += one_frame(draw_reference);
    frames++;
  } while (seconds_since(t0) < seconds);
  return {screen / frames, reference / frames};
}

void draw_game_frame() {
  DrawGLScene();
}

// Screens named in the --only list, or every screen without one.
bool wanted(const char* only, FixedScreen s) {
  if (!*only) return true;
  std::string list = std::string(",") + only + ",";
  return list.find(std::string(",") + fixed_screen_name(s) + ",") != std::string::npos;
}

int run_frames(int width, int height, double seconds, int rounds, const char* only) {
  game_startup_request();
  if (!CreateGLWindow("Korvalen", width, height, 32, false)) return 1;
  int w, h;
  WindowDrawableSize(&w, &h);
  const int screens = int(FixedScreen::count);
  std::vector<std::vector<double>> ms(screens + 2), ratio(screens + 1);
  for (int r = 0; r < rounds; r++) {
    for (int s = 0; s < screens; s++) {
      if (!wanted(only, FixedScreen(s))) continue;
      fixed_screen_set(FixedScreen(s));
      WindowTimes w = time_window(draw_game_frame, seconds);
      ms[s].push_back(w.screen_ms);
      ms[screens].push_back(w.reference_ms);
      ratio[s].push_back(w.screen_ms / w.reference_ms);
    }
    WindowTimes tiled = time_window(draw_reference_tiled, seconds);
    ms[screens + 1].push_back(tiled.screen_ms);
    ratio[screens].push_back(tiled.screen_ms / tiled.reference_ms);
  }
  std::printf("frame_bench %dx%d, %d rounds of %.1f s, median\n", w, h, rounds, seconds);
  std::printf("%-12s %9s %8s\n", "screen", "ms/frame", "x ref");
  std::printf("%-12s %9.2f %8.2f\n", "reference", median(ms[screens]), 1.0);
  for (int s = 0; s < screens; s++)
    if (wanted(only, FixedScreen(s)))
      std::printf("%-12s %9.2f %8.2f\n", fixed_screen_name(FixedScreen(s)), median(ms[s]),
                  median(ratio[s]));
  // Not a screen: the floor again with the image minified as on the field,
  // to show what of play's figure is the sampling the field needs.
  std::printf("%-12s %9.2f %8.2f\n", "ref_tiled", median(ms[screens + 1]), median(ratio[screens]));
  KillGLWindow();
  return 0;
}

// Start-up of one process, timed from the moment its parent launched it.
Clock::time_point launched;
std::vector<double> step_ends;

void step_done(const char*) {
  step_ends.push_back(seconds_since(launched) * 1000);
}

void draw_and_present() {
  DrawGLScene();
  SwapBuffers();
  glFinish();
}

int run_one_start(long long launch_ns) {
  launched = Clock::time_point(std::chrono::nanoseconds(launch_ns));
  startup_step_done = step_done;
  game_startup_request();
  fullscreen = false;
  if (!CreateGLWindow("Korvalen", Window.X, Window.Y, Window.BIT, fullscreen)) return 1;
  game_frame(draw_and_present);
  step_done("first frame");
  for (double t : step_ends) std::printf("%.3f ", t);
  std::printf("\n");
  KillGLWindow();
  return 0;
}

int run_starts(const char* self, int starts) {
  const char* names[] = {"window+context", "decode", "upload+mipmaps", "font", "first frame"};
  const int steps = 5;
  std::vector<std::vector<double>> part(steps + 1);
  for (int k = 0; k < starts; k++) {
    long long now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
            .count();
    std::string cmd = std::string(self) + " --start-once " + std::to_string(now);
    FILE* p = popen(cmd.c_str(), "r");
    double t[steps] = {};
    int got = 0;
    while (p && got < steps && std::fscanf(p, "%lf", &t[got]) == 1) got++;
    if (!p || pclose(p) != 0 || got != steps) {
      std::fprintf(stderr, "frame_bench: start %d failed\n", k);
      return 1;
    }
    for (int s = 0; s < steps; s++) part[s].push_back(t[s] - (s ? t[s - 1] : 0));
    part[steps].push_back(t[steps - 1]);
  }
  std::printf("start-up, median of %d starts (ms)\n", starts);
  for (int s = 0; s < steps; s++) std::printf("%-16s %8.1f\n", names[s], median(part[s]));
  std::printf("%-16s %8.1f\n", "total", median(part[steps]));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 1280, height = 1024, rounds = 5, starts = 10;
  double seconds = 1.5;
  bool startup = false;
  const char* only = "";
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--start-once") return run_one_start(std::atoll(next));
    if (a == "--startup") {
      startup = true;
    } else if (a == "--size" && std::sscanf(next, "%dx%d", &width, &height) == 2) {
      i++;
    } else if (a == "--seconds" && (seconds = std::atof(next)) > 0) {
      i++;
    } else if (a == "--rounds" && (rounds = std::atoi(next)) > 0) {
      i++;
    } else if (a == "--only" && *next) {
      only = argv[++i];
    } else if (a == "--starts" && (starts = std::atoi(next)) > 0) {
      i++;
    } else {
      std::fprintf(stderr,
                   "usage: frame_bench [--size WxH] [--seconds S] [--rounds R] [--only play,...]\n"
                   "       frame_bench --startup [--starts N]\n");
      return 2;
    }
  }
  if (startup) return run_starts(argv[0], starts);
  return run_frames(width, height, seconds, rounds, only);
}
