#!/usr/bin/env bash
# The firewall snippet in a network namespace of its own, holding a listener on the
# desktops' MQTT port: a client (another namespace, over a veth) that opens connections
# as fast as it can gets its burst of 10 and then about one every 2 s (30 a minute);
# README.md's guessing rate rests on this. Loading it twice is harmless, and it
# leaves other ports alone. Needs root and nft; skipped with one line otherwise.
set -euo pipefail
source "$(dirname "$0")/lib.bash"
[ "$(id -u)" = 0 ] || skip "the firewall test needs root for its network namespaces"
need nft ip python3

tag=korvalen-fw-$$
broker_ns=$tag-srv player_ns=$tag-cli
cleanup() {
  for ns in "$broker_ns" "$player_ns"; do
    ip netns pids "$ns" 2>/dev/null | xargs -r kill 2>/dev/null || true
    ip netns del "$ns" 2>/dev/null || true
  done
}
trap cleanup EXIT
ip netns add "$broker_ns" || skip "no network namespaces here"
ip netns add "$player_ns"
ip -n "$broker_ns" link add k0 type veth peer name k1 netns "$player_ns"
ip -n "$broker_ns" addr add 198.51.100.1/24 dev k0
ip -n "$player_ns" addr add 198.51.100.2/24 dev k1
ip -n "$broker_ns" link set k0 up
ip -n "$player_ns" link set k1 up
ip netns exec "$broker_ns" nft -f "$server/firewall/korvalen.nft"
ip netns exec "$broker_ns" nft -f "$server/firewall/korvalen.nft"

# Listeners on 8883 and on another port: accept and close, at most 200 times, 60 s.
for port in 8883 8443; do
  ip netns exec "$broker_ns" timeout 60 python3 -c '
import socket, sys
s = socket.socket()
s.bind(("198.51.100.1", int(sys.argv[1])))
s.listen(64)
for _ in range(200):
    s.accept()[0].close()' $port &
done
for _ in $(seq 1 100); do
  ip netns exec "$broker_ns" grep -q ':20B3 .* 0A ' /proc/net/tcp && break
  sleep 0.1
done

ip netns exec "$player_ns" timeout 60 python3 - <<'PY'
import socket, time
def attempts(port, count):
    made, start = 0, time.monotonic()
    for _ in range(count):
        try:
            socket.create_connection(('198.51.100.1', port), timeout=0.3).close()
            made += 1
        except OSError:
            pass
    return made, time.monotonic() - start
wrong = []
def case(what, good):
    print(('ok    ' if good else 'FAIL  ') + what)
    good or wrong.append(what)
made, took = attempts(8883, 20)
most = 11 + int(took / 2)  # the burst, and one more every 2 s of the attempts
case('port 8883: %d of 20 connections in %.1f s (the burst of 10, then one in 2 s: at most %d)'
     % (made, took, most), 10 <= made <= most)
made, took = attempts(8443, 20)
case('another port: %d of 20 connections' % made, made == 20)
raise SystemExit(1 if wrong else 0)
PY
