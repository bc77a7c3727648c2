#!/usr/bin/env bash
# The relay with the production turnserver.conf refuses to reach loopback, private and
# link-local addresses and expired credentials, and relays a valid player to a peer.
# coturn runs in a network namespace of its own, listening on its 127.0.0.1, relaying
# from 203.0.113.1 on a veth to a second namespace holding the peer at 203.0.113.2
# (documentation addresses, which exist only inside these namespaces). The production
# file denies 203.0.113.0/24 too, so the test allows back that one address and no other.
# Needs root (namespaces); skipped with one line otherwise.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.bash"
[ "$(id -u)" = 0 ] || skip "the relay test needs root for its network namespaces"
need turnserver ip python3 openssl

tag=korvalen-relay-$$
relay_ns=$tag-srv peer_ns=$tag-peer
tmp=$(mktemp -d)
cleanup() {
  ip netns pids "$relay_ns" 2>/dev/null | xargs -r kill 2>/dev/null || true
  ip netns pids "$peer_ns" 2>/dev/null | xargs -r kill 2>/dev/null || true
  ip netns del "$relay_ns" 2>/dev/null || true
  ip netns del "$peer_ns" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
ip netns add "$relay_ns" || skip "no network namespaces here"
ip netns add "$peer_ns"
ip -n "$relay_ns" link set lo up
ip -n "$relay_ns" link add k0 type veth peer name k1 netns "$peer_ns"
ip -n "$relay_ns" addr add 203.0.113.1/24 dev k0
ip -n "$peer_ns" addr add 203.0.113.2/24 dev k1
ip -n "$relay_ns" link set k0 up
ip -n "$peer_ns" link set k1 up

# The production file with the test's listener, secret, certificate and log.
test_certificate "$tmp" korvalen.test
secret=$(head -c 24 /dev/urandom | base64)
sed -e "s|^static-auth-secret=.*|static-auth-secret=$secret|" \
  -e "s|/etc/coturn/certs/|$tmp/|" \
  -e "s|^syslog$|log-file=$tmp/turnserver.log|" \
  "$server/coturn/turnserver.conf" >"$tmp/turnserver.conf"
cat >>"$tmp/turnserver.conf" <<CONF
listening-ip=127.0.0.1
relay-ip=203.0.113.1
allowed-peer-ip=203.0.113.2
simple-log
CONF

ip netns exec "$relay_ns" turnserver -c "$tmp/turnserver.conf" >"$tmp/turnserver.out" 2>&1 &
# The peer: echoes what reaches it, at most 50 datagrams, for at most 60 s.
ip netns exec "$peer_ns" timeout 60 python3 -c '
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("203.0.113.2", 4000))
for _ in range(50):
    data, sender = s.recvfrom(2048)
    s.sendto(data, sender)' &

for _ in $(seq 1 100); do  # until the relay listens (at most 20 s)
  ip netns exec "$relay_ns" grep -q ':0D96 ' /proc/net/udp && break
  sleep 0.2
done
if ! ip netns exec "$relay_ns" grep -q ':0D96 ' /proc/net/udp; then
  echo "FAIL: coturn did not start:"; tail -n 20 "$tmp/turnserver.out"; exit 1
fi
grep -E 'ERROR:' "$tmp/turnserver.out" && { echo "FAIL: coturn reports errors on the production file"; exit 1; }

ip netns exec "$relay_ns" timeout 60 python3 "$here/turn_probe.py" 127.0.0.1:3478 "$secret" 203.0.113.2:4000 \
  127.0.0.1 10.0.0.1 192.168.1.1 169.254.0.1 172.16.0.1 100.64.0.1 203.0.113.9 \
  --public 11.0.0.1 100.128.0.1 172.32.0.1 192.169.0.1
