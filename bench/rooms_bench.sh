#!/usr/bin/env bash
# Online play through the meeting servers' relay, beside ENet's figures: the servers of
# server/run.sh and both games in a network namespace of their own, whose loopback delays
# every packet (tc netem) so that what one game sends reaches the other 0, 50 and 100 ms
# later (it passes the loopback twice, to the relay and on). Prints the time from the
# guest's join to its first picture of the match and the key-to-picture time each time,
# then ENet's figures over its own 50 and 100 ms relays. Needs root (the namespace).
#   bench/rooms_bench.sh [build/bench/online_bench] [SECONDS a part, default 10]
set -u
bench=$(realpath "${1:-build/bench/online_bench}")
seconds=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" = 0 ] || { echo "rooms_bench: skipped, a network namespace needs root"; exit 0; }
PATH=$PATH:/usr/sbin:/sbin
ns=korvalen-bench-$$
ip netns add "$ns" || exit 1
servers="" out=$(mktemp)
cleanup() {
  [ -n "$servers" ] && kill "$servers" 2>/dev/null && wait "$servers"
  ip netns del "$ns"
  rm -f "$out"
}
trap cleanup EXIT
ip -n "$ns" link set lo up
ip netns exec "$ns" "$root/server/run.sh" >"$out" 2>&1 &
servers=$!
for _ in $(seq 1 600); do
  [ -s "$out" ] || ! kill -0 "$servers" 2>/dev/null && break
  sleep 0.1
done
url=$(head -n 1 "$out")
[[ $url == http://* ]] || { echo "rooms_bench: the servers did not start: $(cat "$out")" >&2; exit 1; }
for added in 0 50 100; do
  if [ $added = 0 ]; then
    ip netns exec "$ns" tc qdisc del dev lo root 2>/dev/null
  else
    ip netns exec "$ns" tc qdisc replace dev lo root netem delay $((added / 2))ms
  fi
  echo "--- through the relay, $added ms added each way"
  ip netns exec "$ns" "$bench" --room "$url" "$seconds"
done
ip netns exec "$ns" tc qdisc del dev lo root 2>/dev/null
echo "--- ENet, for comparison"
ip netns exec "$ns" "$bench" "$seconds"
