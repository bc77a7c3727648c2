// Online play measured headless, in one run: the steps a second of local play against an
// online session over loopback (a second process is the guest), the bytes a second each
// way, and over relays holding every datagram 50 and 100 ms each way, with both games
// showing 60 pictures a second: the time from a player's key to the first picture that
// shows it on his own screen, how often a wrong guess of the other's keys is put right,
// and what running steps again costs.
//   build/bench/online_bench [SECONDS]     (default 3 a part)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "flow/flag_grid.h"
#include "flow/frame_input.h"
#include "net/net.h"
#include "session/lockstep.h"
#include "state/snapshot.h"
#include "state/state_fields.h"

namespace {

double now_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::mt19937 rng(5);
const int KEYS[] = {' ', 'E', 'S', 'D', 'F', 'A', 'Q', 'I', 'J', 'K', 'L', 'M', 'N', 27, 13};

// Random keys that change now and then, as players' do.
void random_keys(bool held[KEY_CODES]) {
  if (rng() % 10) return;
  for (int code : KEYS) held[code] = rng() % 4 == 0;
  held[27] = held[27] && rng() % 8 == 0;
}

double local_rate(double seconds) {
  bool held[KEY_CODES] = {};
  FrameInput in;
  long frames = 0;
  double start = now_ms();
  while (now_ms() - start < seconds * 1000) {
    for (int i = 0; i < 1000; i++, frames++) {
      random_keys(held);
      std::copy(held, held + KEY_CODES, in.keys);
      run_frame_input(in, nullptr);
    }
  }
  return frames / ((now_ms() - start) / 1000);
}

Session session;
GameSnapshot startup;  // every session starts from it
void take(const std::uint8_t* data, std::size_t size, void*) {
  session_receive(&session, data, size, now_ms());
}
void pump(int wait_ms) {
  NetEvents events;
  net_service(wait_ms, take, nullptr, &events);
  session_poll(&session, now_ms());
  for (const std::string& d : session.outbox)
    net_send(d, static_cast<unsigned char>(d[2]) != MSG_INPUTS);
  session.outbox.clear();
}

struct Figures {
  long groups = 0, stalls = 0;
  double seconds = 0, advance_ms = 0, rerun_ms = 0;
  std::vector<double> key_to_picture;
  long long rollbacks = 0, steps_rerun = 0;
  unsigned long long sent = 0, received = 0;
};

// One side of a session for the given time, a picture every frame_ms (0: as fast as the
// session allows). A key changes at a random moment between two pictures; the picture
// drawn after the group that took it is the first to show it.
Figures run_side(bool host, int port, int connect_port, double seconds, double frame_ms) {
  std::string error;
  bool ok = host ? net_host(port, &error) : net_join("127.0.0.1", connect_port, &error);
  if (!ok) {
    std::fprintf(stderr, "online_bench: %s\n", error.c_str());
    std::exit(1);
  }
  snapshot_put(startup);
  session_begin(&session, host, "bench", now_ms(), frame_ms > 0 ? frame_ms : 0.05, 0);
  session_set_map(&session, MapText{true, "1\n3\n3\n2\n2\n"});
  while (session.phase == PHASE_CONNECTING) pump(1);
  Figures f;
  bool held[KEY_CODES] = {};
  double start = now_ms(), last_picture = start, next_picture = start, pressed = -1;
  while (session.phase == PHASE_RUNNING && now_ms() - start < seconds * 1000 && !done) {
    if (now_ms() < next_picture) {
      pump(next_picture - now_ms() > 1 ? 1 : 0);
      continue;
    }
    if (pressed < 0) {
      bool before[KEY_CODES];
      std::copy(held, held + KEY_CODES, before);
      random_keys(held);
      if (!std::equal(held, held + KEY_CODES, before))
        pressed = last_picture + (now_ms() - last_picture) * (rng() % 1000) / 1000.0;
    }
    const bool took = session_wants_input(&session);
    if (took) session_add_input(&session, held, 0);
    const long long rollbacks = session.rollbacks;
    const double t0 = now_ms();
    f.groups += session_advance(&session);
    const double spent = now_ms() - t0;
    f.advance_ms += spent;
    if (session.rollbacks != rollbacks) f.rerun_ms += spent;
    if (!took) f.stalls++;
    if (took && pressed >= 0) {  // the picture now drawn shows the key
      f.key_to_picture.push_back(now_ms() - pressed);
      pressed = -1;
    }
    last_picture = now_ms();
    // the display's pace: a picture that came late is not made up for
    next_picture = frame_ms > 0 ? std::max(next_picture + frame_ms, now_ms()) : now_ms();
    pump(0);
  }
  f.seconds = (now_ms() - start) / 1000;
  f.rollbacks = session.rollbacks;
  f.steps_rerun = session.steps_rerun;
  net_traffic(&f.sent, &f.received);
  if (session.exit_code) std::fprintf(stderr, "online_bench: %s\n", session.end_message.c_str());
  session_leave(&session, LEAVE_CLOSED);
  pump(0);
  net_close(LEAVE_CLOSED, 200);
  return f;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Forwards datagrams between the guest and the host, each held hold_ms.
void relay(int listen_port, int host_port, double hold_ms, double seconds) {
  int s = socket(AF_INET, SOCK_DGRAM, 0), up = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in me = {}, host = {}, guest = {};
  me.sin_family = host.sin_family = AF_INET;
  me.sin_addr.s_addr = host.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  me.sin_port = htons(listen_port);
  host.sin_port = htons(host_port);
  bind(s, (sockaddr*)&me, sizeof me);
  connect(up, (sockaddr*)&host, sizeof host);
  struct Held {
    double due;
    bool to_host;
    std::string data;
  };
  std::deque<Held> held;
  socklen_t guest_len = sizeof guest;
  double end = now_ms() + seconds * 1000 + 3000;
  char buf[65536];
  while (now_ms() < end) {
    ssize_t n;
    while ((n = recvfrom(s, buf, sizeof buf, MSG_DONTWAIT, (sockaddr*)&guest, &guest_len)) > 0)
      held.push_back({now_ms() + hold_ms, true, std::string(buf, n)});
    while ((n = recv(up, buf, sizeof buf, MSG_DONTWAIT)) > 0)
      held.push_back({now_ms() + hold_ms, false, std::string(buf, n)});
    while (!held.empty() && held.front().due <= now_ms()) {
      const Held& h = held.front();
      if (h.to_host)
        send(up, h.data.data(), h.data.size(), 0);
      else
        sendto(s, h.data.data(), h.data.size(), 0, (sockaddr*)&guest, guest_len);
      held.pop_front();
    }
    usleep(200);
  }
}

// Runs the host here and the guest in a child; prints the host's figures.
Figures session_run(int host_port, int guest_connects_to, double seconds, double frame_ms) {
  pid_t child = fork();
  if (child == 0) {
    run_side(false, 0, guest_connects_to, seconds + 1, frame_ms);
    _exit(0);
  }
  Figures f = run_side(true, host_port, 0, seconds, frame_ms);
  int status;
  waitpid(child, &status, 0);
  return f;
}

}  // namespace

// Runs the host and its guest through a relay holding each datagram hold_ms each way and
// prints the host's figures.
void relayed(int port, double hold_ms, double seconds) {
  std::thread relay_thread(relay, port + 1, port + 2, hold_ms, seconds + 2);
  Figures f = session_run(port + 2, port + 1, seconds, 1000.0 / 60);
  relay_thread.join();
  std::printf("key to picture, %.0f ms relay: %.0f ms\n", hold_ms, median(f.key_to_picture));
  std::printf("  pictures a second:         %10.1f, %.1f %% of them waited for the other side\n",
              (f.groups + f.stalls) / f.seconds, 100.0 * f.stalls / (f.groups + f.stalls));
  std::printf("  rollbacks a second:        %10.1f\n", f.rollbacks / f.seconds);
  std::printf("  steps re-run a second:     %10.1f\n", f.steps_rerun / f.seconds);
  std::printf("  share of a core:           %10.3f %% for all steps, %.3f %% for re-running\n",
              100 * f.advance_ms / (f.seconds * 1000), 100 * f.rerun_ms / (f.seconds * 1000));
  std::printf("  bytes a second:            %10.0f sent, %.0f received\n", f.sent / f.seconds,
              f.received / f.seconds);
}

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 3;
  Dump_Init();
  game_startup_request();
  flag_grid_init();
  snapshot_take(&startup);
  std::printf("local play, headless:        %10.0f steps a second\n", local_rate(seconds));

  int port = 28900 + getpid() % 500;
  Figures f = session_run(port, port, seconds, 0);
  std::printf("online over loopback:        %10.0f groups a second (one step each)\n",
              f.groups / f.seconds);
  std::printf(
      "  bytes a second:            %10.0f sent, %.0f received (%.1f bytes a group each way)\n",
      f.sent / f.seconds, f.received / f.seconds, f.sent / (double)f.groups);
  relayed(port, 50, seconds);
  relayed(port + 10, 100, seconds);
  return 0;
}
