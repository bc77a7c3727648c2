// The game's start as a player meets it: from the exec of the real binary to its first
// frame on screen, timed through first_present.so preloaded into it, median of N starts.
//   start_bench [--starts N] [--preload PATH] GAME [ARGS...]
// Each start is ended with SIGTERM once its first frame is shown. Prints each start's
// total, then the medians of when each step of the start ended and how long its call took.
// bench/start_bench.sh runs it on a bare X server and under a window manager.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const steps[] = {"video", "window", "context", "show", "present"};
const int step_count = 5;

long long now_ns() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Step {
  double began = -1, ended = -1;  // ms since the exec
};

// Starts the game once; fills each step's times and returns true once it presented.
bool start_once(const char* preload, char** game_argv, Step* out) {
  int pipe_fd[2];
  if (pipe2(pipe_fd, O_CLOEXEC) != 0) return false;
  long long launched = now_ns();
  pid_t pid = fork();
  if (pid == 0) {
    int fd = dup(pipe_fd[1]);  // the copy survives the exec
    setenv("KORVALEN_STEPS_FD", std::to_string(fd).c_str(), 1);
    setenv("LD_PRELOAD", preload, 1);
    int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, 1);
    execv(game_argv[0], game_argv);
    _exit(127);
  }
  close(pipe_fd[1]);
  std::string text;
  bool presented = false;
  long long deadline = launched + 20000000000LL;
  while (!presented && now_ns() < deadline) {
    pollfd p = {pipe_fd[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    char buf[512];
    ssize_t n = read(pipe_fd[0], buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, n);
    presented = text.find("present ") != std::string::npos &&
                text.find('\n', text.find("present ")) != std::string::npos;
  }
  close(pipe_fd[0]);
  kill(pid, presented ? SIGTERM : SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);

  char name[32];
  long long began, ended;
  const char* line = text.c_str();
  int used = 0;
  while (sscanf(line, "%31s %lld %lld%n", name, &began, &ended, &used) == 3) {
    line += used;
    for (int s = 0; s < step_count; s++)
      if (strcmp(name, steps[s]) == 0 && out[s].began < 0)
        out[s] = {(began - launched) / 1e6, (ended - launched) / 1e6};
  }
  if (presented && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
    fprintf(stderr, "start_bench: the game did not end with 0 on SIGTERM\n");
  return presented;
}

}  // namespace

int main(int argc, char** argv) {
  int starts = 10;
  std::string preload;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; i++) {
    std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--starts" && (starts = atoi(next)) > 0)
      i++;
    else if (a == "--preload" && *next)
      preload = argv[++i];
    else
      break;
  }
  if (i >= argc || argv[i][0] == '-') {
    fprintf(stderr,
            "usage: start_bench [--starts N] [--preload first_present.so] GAME [ARGS...]\n");
    return 2;
  }
  if (preload.empty()) {
    std::string self = argv[0];
    preload = self.substr(0, self.rfind('/') + 1) + "first_present.so";
  }
  if (preload[0] != '/') {
    char* full = realpath(preload.c_str(), nullptr);
    if (!full) {
      fprintf(stderr, "start_bench: no %s\n", preload.c_str());
      return 2;
    }
    preload = full;
    free(full);
  }

  std::vector<std::vector<double>> ended(step_count), took(step_count);
  printf("first frame after exec (ms):");
  for (int k = 0; k < starts; k++) {
    Step step[step_count];
    if (!start_once(preload.c_str(), argv + i, step)) {
      fprintf(stderr, "\nstart_bench: start %d showed no frame\n", k + 1);
      return 1;
    }
    printf(" %.0f", step[step_count - 1].ended);
    fflush(stdout);
    for (int s = 0; s < step_count; s++) {
      if (step[s].began < 0) continue;
      ended[s].push_back(step[s].ended);
      took[s].push_back(step[s].ended - step[s].began);
    }
  }
  printf("\n%-10s %12s %12s   (medians of %d starts, ms)\n", "step", "done after", "call took",
         starts);
  for (int s = 0; s < step_count; s++)
    printf("%-10s %12.1f %12.1f\n", steps[s], median(ended[s]), median(took[s]));
  printf("median exec to first frame: %.1f ms\n", median(ended[step_count - 1]));
  return 0;
}
