// The game's process: no signal ends it behind the game's back, so the display mode it
// switched to is always given back by the normal shut-down. A quit signal is a quit
// request like the close button; the signals that mean nothing to the game are ignored.
// Message boxes are shown from a process SDL forks; that process is tied to the game here.
#include "platform/signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

#include "platform/platform.h"

// The quit request: asked for once, for good; taken by the loop once. The signal that asked,
// if one did.
static volatile std::sig_atomic_t quit_asked, quit_taken, quit_signal;

// What the game and its box process both see: the box's process id, written by the box
// process itself, and the quit request. Either side looks at the other's word after
// writing its own, so a quit that comes while the box process starts is never missed.
struct BoxShare {
  int pid;
  int quit;
};
static BoxShare box_share_unshared;
static BoxShare* box_share = &box_share_unshared;
static volatile std::sig_atomic_t box_showing;  // a fork now is a box's
static pid_t game_pid;

// The quit signals: SIGINT (Ctrl-C), SIGTERM, SIGHUP (the terminal is gone) and SIGQUIT
// (Ctrl-\, which would otherwise leave the display mode behind for a core file).
static const int quit_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// Ignored: a write to a closed pipe or past the file size limit only fails; the user and
// alarm signals carry nothing the game knows, so a stray one from a launcher or a script
// must not end a match.
static const int ignored_signals[] = {SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, SIGXFSZ};

void request_quit() {
  int saved = errno;
  quit_asked = 1;
  __atomic_store_n(&box_share->quit, 1, __ATOMIC_SEQ_CST);
  int box = __atomic_load_n(&box_share->pid, __ATOMIC_SEQ_CST);
  if (box > 0) kill(box, SIGKILL);
  errno = saved;
}

bool quit_requested() {
  return quit_asked != 0;
}

bool quit_pending() {
  return quit_asked && !quit_taken;
}

bool take_quit_request() {
  if (!quit_asked || quit_taken) return false;
  quit_taken = 1;
  return true;
}

static void on_quit_signal(int signal) {
  if (!quit_asked) quit_signal = signal;
  request_quit();
}

int quit_signal_number() {
  return quit_signal;
}

// In every process forked while a box is up (the box itself): it dies with the game,
// takes none of the game's signal handling, and ends at once if a quit came first.
static void tie_box_process() {
  if (!box_showing) return;
  box_showing = 0;
#ifndef __EMSCRIPTEN__  // a page forks nothing
  prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
  if (getppid() != game_pid) _exit(1);  // the game died before the tie held
  struct sigaction plain = {};
  plain.sa_handler = SIG_DFL;
  for (int s = 1; s < NSIG; s++) sigaction(s, &plain, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  __atomic_store_n(&box_share->pid, (int)getpid(), __ATOMIC_SEQ_CST);
  if (__atomic_load_n(&box_share->quit, __ATOMIC_SEQ_CST)) _exit(1);
}

void box_process_begin() {
  __atomic_store_n(&box_share->pid, 0, __ATOMIC_SEQ_CST);
  box_showing = 1;
}

void box_process_end() {
  box_showing = 0;
  __atomic_store_n(&box_share->pid, 0, __ATOMIC_SEQ_CST);
}

// A closed descriptor 0, 1 or 2 would be taken by the next file or connection opened (the
// X connection as descriptor 2 gets the box lines written into it). Each is held on
// /dev/null, opened the other way round, so a write to it still fails as before.
static void hold_standard_descriptors() {
  for (int fd = 0; fd < 3; fd++) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    int held = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) {
      dup2(held, fd);
      close(held);
    }
  }
}

// Whatever the game throws and nothing catches ends here, not in an abort that leaves the
// display mode behind: memory that ran out is exit code 1 with the reason.
static void on_uncaught() {
  bool out_of_memory = false;
  try {
    if (std::current_exception()) std::rethrow_exception(std::current_exception());
  } catch (const std::bad_alloc&) {
    out_of_memory = true;
  } catch (...) {
  }
  KillGLWindow();
  if (!out_of_memory) std::abort();
  std::fputs("korvalen: out of memory\n", stderr);
  _exit(1);
}

void guard_process() {
  std::set_terminate(on_uncaught);
  hold_standard_descriptors();
  game_pid = getpid();
  void* page =
      mmap(nullptr, sizeof(BoxShare), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (page != MAP_FAILED) box_share = static_cast<BoxShare*>(page);
  pthread_atfork(nullptr, nullptr, tie_box_process);

  struct sigaction quit = {};
  quit.sa_handler = on_quit_signal;
  sigemptyset(&quit.sa_mask);
  for (int s : quit_signals) sigaddset(&quit.sa_mask, s);
  quit.sa_flags = SA_RESTART;
  for (int s : quit_signals) {
    struct sigaction before;
    // Started under nohup, the player asked for the terminal's end to be ignored.
    if (s == SIGHUP && sigaction(s, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
      continue;
    sigaction(s, &quit, nullptr);
  }
  for (int s : ignored_signals) signal(s, SIG_IGN);
}

bool standard_output_written() {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  int error = errno;
  std::fprintf(stderr, "korvalen: could not write to standard output: %s\n",
               error ? std::strerror(error) : "write error");
  return false;
}
