// The link over loopback, with a host in a child process that stops answering: a message
// longer than a datagram on the wire, sent unreliably, goes once and is never repeated.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "net/net.h"

namespace {

void ignore(const std::uint8_t*, std::size_t, void*) {}

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

}  // namespace
