// Preloaded into the game by the online flood test: once the file KORVALEN_FLOOD_FILE
// appears, every call of SDL_PollEvent returns an event nobody asked for, for
// KORVALEN_FLOOD_MS milliseconds; then the file is removed and the events are SDL's again.
// The game reads a window message at a time, so its queue never runs dry meanwhile.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr std::uint32_t USER_EVENT = 0x8000;  // SDL_USEREVENT: the game makes nothing of it
constexpr std::size_t EVENT_SIZE = 56;        // sizeof(SDL_Event)

long long now_ms() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

bool flooding() {
  static const char* file = getenv("KORVALEN_FLOOD_FILE");
  static const long long length =
      getenv("KORVALEN_FLOOD_MS") ? atoll(getenv("KORVALEN_FLOOD_MS")) : 0;
  static long long until = -1, checked = 0;
  if (!file) return false;
  const long long now = now_ms();
  if (until < 0) {
    if (now - checked < 10) return false;  // the file is looked for a hundred times a second
    checked = now;
    if (access(file, F_OK) != 0) return false;
    until = now + length;
  }
  if (now < until) return true;
  unlink(file);
  until = -1;
  return false;
}

}  // namespace

extern "C" int SDL_PollEvent(void* event) {
  static auto real = reinterpret_cast<int (*)(void*)>(dlsym(RTLD_NEXT, "SDL_PollEvent"));
  if (!flooding()) return real(event);
  if (event) {
    std::memset(event, 0, EVENT_SIZE);
    std::memcpy(event, &USER_EVENT, sizeof USER_EVENT);
  }
  return 1;
}
