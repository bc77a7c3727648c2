#!/usr/bin/env bash
# The broker with the production mosquitto snippet and ACL keeps each player in its
# room: a client holding one room's code can neither read nor write another room's
# topics, nor write another room's lobby entry, whatever it subscribes to or calls
# itself. The broker runs on free loopback ports with a test certificate; the
# desktops' TLS listener is the one tested, the bridges' listener as well.
set -euo pipefail
source "$(dirname "$0")/lib.bash"
need mosquitto mosquitto_pub mosquitto_sub mosquitto_passwd openssl python3

tmp=$(mktemp -d)
broker=""
subs=()
cleanup() {
  for pid in "${subs[@]}" $broker; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
chmod 755 "$tmp"
[ "$(id -u)" = 0 ] && chown nobody:nogroup "$tmp"  # the broker runs as nobody and logs here
tls_port=$(free_port) ws_port=$(free_port) bridge_port=$(free_port)
test_certificate "$tmp" korvalen.test
mosquitto_passwd -b -c "$tmp/bridges.passwd" bridge-east "east-secret" 2>/dev/null
chmod 644 "$tmp/bridges.passwd"
sed -e "s|^listener 8883$|listener $tls_port 127.0.0.1|" -e "s|^listener 9883 |listener $ws_port |" \
  -e "s|^listener 8884$|listener $bridge_port 127.0.0.1|" \
  -e "s|/etc/mosquitto/certs/korvalen/|$tmp/|" -e "s|/etc/mosquitto/korvalen-bridges.passwd|$tmp/bridges.passwd|" \
  -e "s|/etc/mosquitto/|$server/mosquitto/|" "$server/mosquitto/korvalen.conf" >"$tmp/mosquitto.conf"
echo "log_dest file $tmp/mosquitto.log" >>"$tmp/mosquitto.conf"
grep -q "listener $tls_port 127.0.0.1" "$tmp/mosquitto.conf" || { echo "FAIL: the snippet has no listener 8883 line"; exit 1; }

"${as_nobody[@]}" mosquitto -c "$tmp/mosquitto.conf" >"$tmp/mosquitto.out" 2>&1 &
broker=$!
listening() { (exec 3<>/dev/tcp/127.0.0.1/$tls_port) 2>/dev/null; }
for _ in $(seq 1 100); do
  listening && break
  kill -0 $broker 2>/dev/null || break
  sleep 0.1
done
listening || { echo "FAIL: mosquitto did not start:"; cat "$tmp/mosquitto.out" "$tmp/mosquitto.log"; exit 1; }

tls=(-h 127.0.0.1 -p "$tls_port" --cafile "$tmp/fullchain.pem" -V mqttv311)
# A subscriber in the background; returns once the broker has answered its SUBSCRIBE.
subscribe() {  # NAME USER TOPIC [connection options, default the players' listener]
  local name=$1 user=$2 topic=$3; shift 3
  local who=(-u "$user")
  [ -z "$user" ] && who=()
  [ $# = 0 ] && set -- "${tls[@]}"
  timeout 30 stdbuf -oL mosquitto_sub "$@" "${who[@]}" -t "$topic" -v -d >"$tmp/$name" 2>&1 &
  subs+=($!)
  for _ in $(seq 1 100); do
    grep -q "SUBACK\|Connection error\|refused" "$tmp/$name" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "FAIL: subscriber $name got no answer:"; cat "$tmp/$name" "$tmp/mosquitto.log"; exit 1
}
publish() { mosquitto_pub "${tls[@]}" -u "$1" -t "$2" -m "$3" "${@:4}" 2>/dev/null || true; }
received() { grep -q "^$2 $3\$" "$tmp/$1"; }
got_nothing() { ! grep -q "^korvalen/" "$tmp/$1"; }
wait_for() {  # NAME TOPIC PAYLOAD: the control subscriber's message, at most 10 s
  for _ in $(seq 1 100); do received "$@" && return 0; sleep 0.1; done
  return 1
}

# Room A's guest, and strangers holding room B's code or hostile names, all listening.
subscribe guest AAAAAA 'korvalen/rooms/AAAAAA/#'
subscribe stranger_room BBBBBB 'korvalen/rooms/AAAAAA/#'
subscribe stranger_all BBBBBB '#'
subscribe stranger_rooms BBBBBB 'korvalen/rooms/+/host'
subscribe wildcard_plus '+' 'korvalen/rooms/AAAAAA/#'
subscribe wildcard_hash '#' 'korvalen/rooms/AAAAAA/#'
subscribe slash 'AAAAAA/..' 'korvalen/rooms/AAAAAA/#'
subscribe nobody '' 'korvalen/rooms/AAAAAA/#'

publish BBBBBB korvalen/rooms/AAAAAA/host "offer from a stranger"
publish AAAAAA korvalen/rooms/AAAAAA/host "offer from the host"
check "a player reaches its own room" wait_for guest korvalen/rooms/AAAAAA/host "offer from the host"
check "another room's code cannot write into the room" bash -c "! grep -q stranger '$tmp/guest'"
for name in stranger_room stranger_all stranger_rooms wildcard_plus wildcard_hash slash nobody; do
  check "another room's code or an odd name ($name) reads nothing of the room" got_nothing $name
done

# The lobby: everyone reads it, only the room's own code writes (or clears) its entry.
publish AAAAAA korvalen/lobby/AAAAAA '{"v":1,"name":"A"}' -r
publish BBBBBB korvalen/lobby/AAAAAA '{"v":1,"name":"taken over"}' -r
publish BBBBBB korvalen/lobby/AAAAAA '' -r
publish BBBBBB korvalen/lobby/BBBBBB '{"v":1,"name":"B"}' -r
subscribe browser CCCCCC 'korvalen/lobby/#'
check "a browsing client sees room A's entry as its host wrote it" wait_for browser korvalen/lobby/AAAAAA '{"v":1,"name":"A"}'
check "a room writes its own lobby entry" wait_for browser korvalen/lobby/BBBBBB '{"v":1,"name":"B"}'
check "another room's code neither changes nor clears an entry" bash -c "[ \$(grep -c '^korvalen/lobby/AAAAAA' '$tmp/browser') = 1 ]"

# Bridges: their listener wants a password, and then carries every room.
bridge=(-h 127.0.0.1 -p "$bridge_port" --cafile "$tmp/fullchain.pem")
check "the bridges' listener refuses an anonymous client" \
  bash -c "! mosquitto_pub ${bridge[*]} -u AAAAAA -t korvalen/rooms/AAAAAA/host -m x 2>/dev/null"
subscribe bridge bridge-east 'korvalen/rooms/#' "${bridge[@]}" -P east-secret
publish AAAAAA korvalen/rooms/AAAAAA/state "playing"
check "a bridge with its password carries every room" wait_for bridge korvalen/rooms/AAAAAA/state playing

[ $failures = 0 ] || { echo "$failures case(s) failed; broker log:"; tail -n 20 "$tmp/mosquitto.log"; exit 1; }
