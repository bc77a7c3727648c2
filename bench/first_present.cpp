// Preloaded into the real game by start_bench: notes when the game reaches each step of
// its start (SDL's video start, the window, the GL context, showing the window) and when
// it presents its first frame, as CLOCK_MONOTONIC nanoseconds written to the descriptor
// named by KORVALEN_STEPS_FD. Nothing else of the game changes.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

long long now_ns() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// One line "STEP START END" for a call the game made; STEP "present" ends the record.
void note(const char* step, long long start, long long end) {
  static int fd = [] {
    const char* s = getenv("KORVALEN_STEPS_FD");
    return s ? atoi(s) : -1;
  }();
  if (fd < 0) return;
  char line[96];
  int n = snprintf(line, sizeof line, "%s %lld %lld\n", step, start, end);
  if (write(fd, line, n) != n) fd = -1;
}

template <typename F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// Each wrapper times the real call; the real one is looked up on first use.
#define TIMED(step, ret, name, params, args)       \
  extern "C" ret name params {                     \
    static auto real = next<ret(*) params>(#name); \
    long long start = now_ns();                    \
    ret result = real args;                        \
    note(step, start, now_ns());                   \
    return result;                                 \
  }

struct SDL_Window;
typedef void* SDL_GLContext;
TIMED("video", int, SDL_InitSubSystem, (unsigned flags), (flags))
TIMED("window", SDL_Window*, SDL_CreateWindow,
      (const char* t, int x, int y, int w, int h, unsigned f), (t, x, y, w, h, f))
TIMED("context", SDL_GLContext, SDL_GL_CreateContext, (SDL_Window * w), (w))

extern "C" void SDL_ShowWindow(SDL_Window* window) {
  static auto real = next<void (*)(SDL_Window*)>("SDL_ShowWindow");
  long long start = now_ns();
  real(window);
  note("show", start, now_ns());
}

// The first present is the moment the player sees the game; later ones are not noted.
extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  static auto real = next<void (*)(SDL_Window*)>("SDL_GL_SwapWindow");
  static bool presented;
  long long start = now_ns();
  real(window);
  if (!presented) note("present", start, now_ns());
  presented = true;
}
