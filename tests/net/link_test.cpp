// The link over loopback, with a host in a child process that stops answering: a message
// longer than a datagram on the wire, sent unreliably, goes once and is never repeated.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "net/net.h"

namespace {

void ignore(const std::uint8_t*, std::size_t, void*) {}

bool greets(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size) == "hello";
}

TEST(Link, LongUnreliableMessagesGoOnce) {
  const int port = 20000 + getpid() % 20000;
  std::string error;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {  // the host, until it is stopped and killed
    if (!net_host(port, &error)) _exit(1);
    NetEvents events;
    for (;;) net_service(10, ignore, nullptr, &events);
  }
  ASSERT_TRUE(net_join("127.0.0.1", port, &error)) << error;
  NetEvents events;  // until the host answered, at most a minute
  for (int i = 0; i < 6000 && !events.connected; i++) net_service(10, ignore, nullptr, &events);
  const bool connected = events.connected;
  kill(child, SIGSTOP);  // from now on nothing is acknowledged
  if (connected) {
    unsigned long long before = 0, after = 0, received = 0;
    net_traffic(&before, &received);
    net_send(std::string(20000, 'x'), false);
    // ENet repeats an unacknowledged reliable piece within about a round trip; three
    // seconds leave room for several repeats on a busy machine.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) net_service(10, ignore, nullptr, &events);
    net_traffic(&after, &received);
    EXPECT_LT(after - before, 30000u) << "the 20000 bytes were sent again";
    EXPECT_GE(after - before, 20000u);
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  net_close(0, 0);
  ASSERT_TRUE(connected) << "the host on port " << port << " never answered";
}

// Machines that knock and then never answer (stopped right after their first datagram)
// keep no real guest out: one gets in while three hang on, and once it plays, three more
// that are refused and never acknowledge it give their places back within seconds, not
// after ENet's own limit of half a minute.
TEST(Link, HalfOpenConnectionsHoldNoPlaceForLong) {
  const int port = 20000 + (getpid() + 7) % 20000;
  // The machines are forked before hosting starts, so none inherits the host's link; each
  // knocks when its pipe says so. The fourth is the guest, the others stop after knocking.
  constexpr int MACHINES = 7, GUEST = 3;
  pid_t children[MACHINES];
  int go[MACHINES];
  for (int m = 0; m < MACHINES; m++) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    children[m] = fork();
    ASSERT_GE(children[m], 0);
    if (children[m] == 0) {
      char c;
      if (read(fds[0], &c, 1) != 1) _exit(1);
      std::string e;
      NetEvents ev;
      if (!net_join("127.0.0.1", port, &e)) _exit(2);
      net_service(0, ignore, nullptr, &ev);  // the knock goes out
      if (m != GUEST) raise(SIGSTOP);
      for (bool greeted = false;; net_service(10, ignore, nullptr, &ev))
        if (ev.connected && !greeted) greeted = (net_send("hello", true), true);
    }
    close(fds[0]);
    go[m] = fds[1];
  }
  std::string error;
  ASSERT_TRUE(net_host(port, &error)) << error;
  net_set_greeting(greets);
  net_set_refusal("full");
  NetEvents events;
  auto service_until = [&](auto holds, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!holds() && std::chrono::steady_clock::now() < end)
      net_service(10, ignore, nullptr, &events);
    return holds();
  };
  auto knock = [&](int m) {
    ASSERT_EQ(write(go[m], "k", 1), 1);
    for (int i = 0; i < 20; i++) net_service(5, ignore, nullptr, &events);
  };
  for (int m = 0; m <= GUEST; m++) knock(m);
  EXPECT_TRUE(service_until([&] { return events.connected; }, 60)) << "the guest never got in";
  EXPECT_TRUE(service_until([] { return net_places_taken() == 1; }, 30));
  for (int m = GUEST + 1; m < MACHINES; m++) knock(m);
  EXPECT_TRUE(service_until([] { return net_places_taken() >= 2; }, 30)) << "no knock arrived";
  EXPECT_TRUE(service_until([] { return net_places_taken() == 1; }, 15))
      << net_places_taken() - 1 << " refused machines still hold a place";
  EXPECT_FALSE(events.disconnected) << "the guest was let go";
  for (int m = 0; m < MACHINES; m++) {
    kill(children[m], SIGKILL);
    waitpid(children[m], nullptr, 0);
    close(go[m]);
  }
  net_close(0, 0);
}

}  // namespace
