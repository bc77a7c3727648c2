// Online play measured headless, in one run: the frames a second of local play against an
// online session over loopback (a second process is the guest), the bytes a second each
// way, and over a relay holding every datagram 50 ms each way, with both games paced to a
// 60 Hz display, how often and how long a frame waits for the other side's keys and how
// many frames pass between a key press and its frame.
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

#include "flow/flag_grid.h"
#include "flow/frame_input.h"
#include "net/net.h"
#include "session/lockstep.h"
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
  long frames = 0, waits = 0, delayed = 0;
  double seconds = 0, waited_ms = 0, longest_ms = 0, delay_ms = 0;
  unsigned long long sent = 0, received = 0;
};

// One side of a session for the given time; frames no closer than frame_ms apart.
Figures run_side(bool host, int port, int connect_port, double seconds, double frame_ms) {
  std::string error;
  bool ok = host ? net_host(port, &error) : net_join("127.0.0.1", connect_port, &error);
  if (!ok) {
    std::fprintf(stderr, "online_bench: %s\n", error.c_str());
    std::exit(1);
  }
  session_begin(&session, host, "bench", now_ms(), frame_ms > 0 ? frame_ms : 0.05, 0);
  session_set_map(&session, MapText{true, "1\n3\n3\n2\n2\n"});
  while (session.phase == PHASE_CONNECTING) pump(1);
  Figures f;
  bool held[KEY_CODES] = {};
  double start = now_ms(), next_slot = start, taken[INPUT_RING] = {};
  while (session.phase == PHASE_RUNNING && now_ms() - start < seconds * 1000) {
    if (session_wants_input(&session)) {
      random_keys(held);
      taken[session.local_next % INPUT_RING] = now_ms();
      session_add_input(&session, held, 0);
    }
    if (now_ms() < next_slot) {
      pump(next_slot - now_ms() > 1 ? 1 : 0);
      continue;
    }
    if (!session_ready(&session)) {
      double wait_start = now_ms();
      while (!session_ready(&session) && session.phase == PHASE_RUNNING) pump(1);
      double waited = now_ms() - wait_start;
      f.waits++;
      f.waited_ms += waited;
      if (waited > f.longest_ms) f.longest_ms = waited;
    }
    FrameInput in;
    session_frame_input(&session, &in);
    run_frame_input(in, nullptr);
    if (session.frame >= (std::uint32_t)session.delay) {
      f.delay_ms += now_ms() - taken[session.frame % INPUT_RING];
      f.delayed++;
    }
    session_frame_done(&session, (session.frame + 1) % HASH_EVERY == 0 ? State_Hash() : 0);
    f.frames++;
    // the display's pace: a frame that came late is not made up for
    next_slot = std::max(next_slot + frame_ms, now_ms());
    pump(0);
  }
  f.seconds = (now_ms() - start) / 1000;
  net_traffic(&f.sent, &f.received);
  if (session.exit_code) std::fprintf(stderr, "online_bench: %s\n", session.end_message.c_str());
  session_leave(&session, LEAVE_CLOSED);
  pump(0);
  net_close(LEAVE_CLOSED, 200);
  return f;
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

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 3;
  Dump_Init();
  game_startup_request();
  flag_grid_init();
  std::printf("local play, headless:        %10.0f frames a second\n", local_rate(seconds));

  int port = 28900 + getpid() % 500;
  Figures f = session_run(port, port, seconds, 0);
  std::printf("online over loopback:        %10.0f frames a second (input delay %d frames)\n",
              f.frames / f.seconds, session.delay);
  std::printf(
      "  bytes a second:            %10.0f sent, %.0f received (%.1f bytes a frame each way)\n",
      f.sent / f.seconds, f.received / f.seconds, f.sent / (double)f.frames);

  std::thread relay_thread(relay, port + 1, port + 2, 50.0, seconds + 2);
  f = session_run(port + 2, port + 1, seconds, 1000.0 / 60);
  relay_thread.join();
  std::printf(
      "60 Hz over a 50 ms relay:    %10.1f frames a second, input delay %d frames (%.0f ms)\n",
      f.frames / f.seconds, session.delay, f.delay_ms / f.delayed);
  std::printf(
      "  frames that waited:        %10.1f %% (%ld of %ld), %.1f ms on average, %.1f ms at most\n",
      100.0 * f.waits / f.frames, f.waits, f.frames, f.waits ? f.waited_ms / f.waits : 0,
      f.longest_ms);
  std::printf("  bytes a second:            %10.0f sent, %.0f received\n", f.sent / f.seconds,
              f.received / f.seconds);
  return 0;
}
