#!/usr/bin/env bash
# Online play through the meeting servers' relay, beside ENet's figures: the servers of
# server/run.sh on this machine, both games through a room, relay-only, with 0, 50 and
# 100 ms added between them each way (each game reaches the relay through a stand-in that
# holds its datagrams half of that; the broker's messages are not held), then ENet's figures
# over its own 50 and 100 ms relays. Prints the time from the guest's join to its first
# picture of the match and the key-to-picture time for each.
#   bench/rooms_bench.sh [build/bench/online_bench] [SECONDS a part, default 10]
set -u
bench=$(realpath "${1:-build/bench/online_bench}")
seconds=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp) servers=""
trap '[ -n "$servers" ] && kill "$servers" && wait "$servers"; rm -f "$out"' EXIT
"$root/server/run.sh" >"$out" 2>&1 &
servers=$!
for _ in $(seq 1 600); do
  [ "$(wc -l <"$out")" -ge 3 ] || ! kill -0 "$servers" 2>/dev/null && break
  sleep 0.1
done
url=$(sed -n 1p "$out")
turn=$(sed -n 's/^turn: 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out")
[[ $url == http://* && -n $turn ]] || { echo "rooms_bench: no servers: $(cat "$out")" >&2; exit 1; }
for added in 0 50 100; do
  echo "--- through the relay, $added ms added each way"
  "$bench" --room "$url" --turn "$turn" --hold $((added / 2)) "$seconds"
done
echo "--- ENet, for comparison"
"$bench" "$seconds"
