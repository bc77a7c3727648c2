// Online play measured headless, in one run: the steps a second of local play against an
// online session over loopback (a second process is the guest), the bytes a second each
// way, and over relays holding every datagram 50 and 100 ms each way, with both games in a
// match at level 1 on their step clocks, showing 60 pictures a second: the time from a
// player's key to the first picture that shows it on his own screen (his archer moved),
// how often a wrong guess of the other's keys is put right, and what running steps again
// costs.
//   build/bench/online_bench [SECONDS]     (default 10 a part)
// With --room URL the two meet by a room code on the meeting servers at URL, through the
// relay only, and the bench prints the time from the guest's join to its first picture of
// the match and the key-to-picture time; with --turn PORT --hold MS each game reaches the
// relay's UDP port through a stand-in of its own that holds every datagram MS each way
// (bench/rooms_bench.sh runs it so).
//   build/bench/online_bench --room URL [--turn PORT --hold MS] [SECONDS]
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
#include "session/room_code.h"
#include "state/bindings.h"
#include "state/loop_marks.h"
#include "state/lybrary3.h"
#include "state/snapshot.h"
#include "state/state_fields.h"
#include "world/world.h"

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
      in.commands = commands_of_keys(held);
      run_frame_input(in, nullptr);
    }
  }
  return frames / ((now_ms() - start) / 1000);
}

const char BENCH_MAP[] = "1\n3\n3\n2\n2\n";
Session session;
GameSnapshot startup;   // the game as it starts
GameSnapshot in_match;  // the first step of a match, at level 1
void take(const std::uint8_t* data, std::size_t size, void*) {
  session_receive(&session, data, size, now_ms());
}
void pump(int wait_ms) {
  NetEvents events;
  net_service(wait_ms, take, nullptr, &events);
  if (!events.failed.empty()) {
    std::fprintf(stderr, "online_bench: %s\n", events.failed.c_str());
    std::exit(1);
  }
  session_poll(&session, now_ms());
  for (const std::string& d : session.outbox)
    net_send(d, static_cast<unsigned char>(d[2]) != MSG_INPUTS);
  session.outbox.clear();
}

struct Figures {
  long groups = 0, stalls = 0, pictures = 0, blocked = 0;
  long long steps = 0;
  double seconds = 0, advance_ms = 0, rerun_ms = 0;
  std::vector<double> key_to_picture;
  long long rollbacks = 0, steps_rerun = 0;
  unsigned long long sent = 0, received = 0;
};

std::int64_t now_ns() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// Where this side's own archer stands in the state as it is now.
std::pair<float, float> own_archer(bool host) {
  const Splayer& p = player[host ? 1 : 2];
  return {p.x, p.y};
}

// Runs what the session allows now and counts its cost.
void advance(Figures* f) {
  const long long rollbacks = session.rollbacks;
  const double t0 = now_ms();
  f->groups += session_advance(&session);
  const double spent = now_ms() - t0;
  f->advance_ms += spent;
  if (session.rollbacks != rollbacks) f->rerun_ms += spent;
}

// One side of a session for the given time. With frame_ms 0 it runs groups of one step as
// fast as the session allows, random keys in them. Else it shows a picture every frame_ms
// and steps on its step clock at the host's group sizes, in a match: now and then the
// player presses left or right (alternately) at a random moment between two pictures and
// holds it a while; the first picture whose state has his own archer standing elsewhere
// than in the picture before the press is the first to show the key. The other side does
// the same with its own archer, at its own moments, so the guesses of its keys go wrong.
// A room instead of a port: the servers, and a pipe from the host to the guest for the code.
std::string room_server;
int code_pipe[2] = {-1, -1};
int relay_via[2] = {0, 0};  // the host's and the guest's stand-ins for the relay, if any

bool open_link(bool host, int port, int connect_port, std::string* error) {
  if (room_server.empty())
    return host ? net_host(port, error) : net_join("127.0.0.1", connect_port, error);
  setenv("KORVALEN_ICE_BIND", host ? "127.0.0.2" : "127.0.0.3", 0);  // apart from the relay
  RoomOptions options;
  options.server = room_server;
  options.relay_only = true;
  options.version = "bench";
  if (relay_via[host ? 0 : 1])
    options.relay_via = "127.0.0.1:" + std::to_string(relay_via[host ? 0 : 1]);
  close(code_pipe[host ? 0 : 1]);  // a host that ends leaves its guest an empty pipe
  if (host) {
    if (!net_host_room(options, error)) return false;
    while (net_room_code().empty()) pump(5);
    const std::string code = net_room_code();
    return write(code_pipe[1], code.data(), code.size()) == static_cast<ssize_t>(code.size());
  }
  char code[ROOM_CODE_LENGTH + 1] = {};
  if (read(code_pipe[0], code, ROOM_CODE_LENGTH) != ROOM_CODE_LENGTH) {
    *error = "the host made no room";
    return false;
  }
  return net_join_room(options, code, error);
}

Figures run_side(bool host, int port, int connect_port, double seconds, double frame_ms) {
  std::string error;
  const double joined = now_ms();
  if (!open_link(host, port, connect_port, &error)) {
    std::fprintf(stderr, "online_bench: %s\n", error.c_str());
    std::exit(1);
  }
  const bool clocked = frame_ms > 0;
  snapshot_put(clocked ? in_match : startup);
  session_begin(&session, host, "bench", now_ms(), 0);
  if (clocked) session_set_group_steps(&session, GROUP_STEPS);
  session_set_map(&session, MapText{true, BENCH_MAP});
  while (session.phase == PHASE_CONNECTING) pump(1);
  if (!host && frame_ms > 0) {  // the guest's: from its join to the match's first picture
    std::printf("join to first picture, %s: %.0f ms\n",
                room_server.empty() ? "ENet" : ("room, " + net_path()).c_str(), now_ms() - joined);
    std::fflush(stdout);
  }
  Figures f;
  StepClock clock;
  bool held[KEY_CODES] = {};
  const int keys[2] = {game_key(host ? 1 : 2, ACTION_LEFT), game_key(host ? 1 : 2, ACTION_RIGHT)};
  int direction = 0;
  double start = now_ms(), last_picture = start, next_picture = start;
  double pressed = -1, change_at = start + 100;  // a key down since pressed, not yet seen
  std::pair<float, float> shown = own_archer(host);
  while (session.phase == PHASE_RUNNING && now_ms() - start < seconds * 1000 && !done) {
    if (now_ms() < next_picture) {
      pump(next_picture - now_ms() > 1 ? 1 : 0);
      continue;
    }
    if (!clocked) {
      random_keys(held);
      const bool took = session_wants_input(&session);
      if (took) session_add_input(&session, command_of_keys(host ? 1 : 2, held), 0);
      if (!took) f.stalls++;
      advance(&f);
      pump(0);
      continue;
    }
    const double now = now_ms();
    if (now >= change_at) {
      const bool down = !held[keys[0]] && !held[keys[1]];
      held[keys[0]] = held[keys[1]] = false;
      if (down) {
        held[keys[direction]] = true;
        direction = 1 - direction;
        pressed = last_picture + (now - last_picture) * (rng() % 1000) / 1000.0;
        change_at = now + 80 + rng() % 80;
      } else {
        change_at = now + 60 + rng() % 140;
      }
    }
    if (!session_wants_input(&session)) f.stalls++;
    const int due = session_groups_due(&session, &clock, now_ns(), true);
    int took = 0;
    for (; took < due && session_wants_input(&session); took++) {
      f.steps += session_next_group_steps(&session);
      session_add_input(&session, command_of_keys(host ? 1 : 2, held), 0);
      advance(&f);
    }
    advance(&f);
    f.pictures++;
    const std::pair<float, float> now_shown = own_archer(host);  // this picture
    if (pressed >= 0 && now_shown != shown) {
      f.key_to_picture.push_back(now_ms() - pressed);
      pressed = -1;
    } else if (pressed >= 0 && now_ms() - pressed > 1000) {
      f.blocked++;  // a wall or the other archer stood in the way
      pressed = -1;
    }
    shown = now_shown;
    last_picture = now_ms();
    // the display's pace: a picture that came late is not made up for
    next_picture = std::max(next_picture + frame_ms, now_ms());
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
  std::fflush(stdout);  // what is printed so far, once
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

// Prints a run's figures, under its name.
void print_figures(const char* name, const Figures& f) {
  std::printf("key to picture, %s: %.0f ms\n", name, median(f.key_to_picture));
  std::printf("  keys seen:                 %10zu, %ld more stopped by a wall\n",
              f.key_to_picture.size(), f.blocked);
  std::printf("  pictures a second:         %10.1f, %.1f %% of them waited for the other side\n",
              f.pictures / f.seconds, 100.0 * f.stalls / f.pictures);
  std::printf("  groups, steps a second:    %10.1f, %.0f (level 1, %d steps a group)\n",
              f.groups / f.seconds, f.steps / f.seconds, GROUP_STEPS[0]);
  std::printf("  rollbacks a second:        %10.1f\n", f.rollbacks / f.seconds);
  std::printf("  steps re-run a second:     %10.1f\n", f.steps_rerun / f.seconds);
  std::printf("  share of a core:           %10.3f %% for all steps, %.3f %% for re-running\n",
              100 * f.advance_ms / (f.seconds * 1000), 100 * f.rerun_ms / (f.seconds * 1000));
  std::printf("  bytes a second:            %10.0f sent, %.0f received\n", f.sent / f.seconds,
              f.received / f.seconds);
}

// Runs the host and its guest through a relay holding each datagram hold_ms each way and
// prints the host's figures.
void relayed(int port, double hold_ms, double seconds) {
  std::thread relay_thread(relay, port + 1, port + 2, hold_ms, seconds + 2);
  Figures f = session_run(port + 2, port + 1, seconds, 1000.0 / 60);
  relay_thread.join();
  print_figures((std::to_string(static_cast<int>(hold_ms)) + " ms relay").c_str(), f);
}

int main(int argc, char** argv) {
  int turn_port = 0;
  double hold_ms = 0;
  for (bool more = true; more && argc > 2;) {
    const std::string option = argv[1];
    if (option == "--room")
      room_server = argv[2];
    else if (option == "--turn")
      turn_port = std::atoi(argv[2]);
    else if (option == "--hold")
      hold_ms = std::atof(argv[2]);
    more = option == "--room" || option == "--turn" || option == "--hold";
    if (more) {
      argv += 2;
      argc -= 2;
    }
  }
  double seconds = argc > 1 ? std::atof(argv[1]) : 10;
  Dump_Init();
  game_startup_request();
  flag_grid_init();
  snapshot_take(&startup);
  // from the start-up: the main menu, Space for the colour screen, Space for the match
  map_use_given(true, BENCH_MAP, sizeof BENCH_MAP - 1);
  FrameInput in;
  bool keys_held[KEY_CODES] = {};
  for (bool space : {false, true, false, true}) {
    keys_held[VK_SPACE] = space;
    in.commands = commands_of_keys(keys_held);
    run_frame_input(in, nullptr);
  }
  if (!move) {
    std::fprintf(stderr, "online_bench: the match did not start\n");
    return 1;
  }
  snapshot_take(&in_match);
  snapshot_put(startup);
  if (!room_server.empty()) {  // a match through the meeting servers' relay
    if (pipe(code_pipe) != 0) return 1;
    std::vector<std::thread> stand_ins;
    if (turn_port)
      for (int side = 0; side < 2; side++) {
        relay_via[side] = 28400 + getpid() % 400 + side * 500;
        stand_ins.emplace_back(relay, relay_via[side], turn_port, hold_ms, seconds + 15);
      }
    const std::string name = "room, " + std::to_string(static_cast<int>(2 * hold_ms)) + " ms added";
    print_figures(name.c_str(), session_run(0, 0, seconds, 1000.0 / 60));
    for (std::thread& t : stand_ins) t.detach();  // they end with the process
    return 0;
  }
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
