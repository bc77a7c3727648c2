#!/usr/bin/env bash
# Two real games on one machine, each under its own X server, play one match over UDP:
# the host starts it, both walk, the guest picks up a bow and shoots, and the host leaves
# through the pause menu's "End" and the main menu's "Exit"; both end with 0, and their
# two recordings run headless to the same state. Then the same through a relay that
# delays, reorders, loses and repeats datagrams. A host waiting alone shows where it
# waits and gives up on Escape; a third player is turned away; last, the guest is killed:
# the host shows why and ends with 1. Every step waits for what the screens must show.
# Usage: online_test.sh GAME_BINARY REPOSITORY_ROOT
set -u
source "$(dirname "$0")/game_lib.bash"
replay=$(dirname "$game")/korvalen-replay
other_xvfb="" host_pid="" guest_pid="" relay_pid=""
trap 'for p in "$host_pid" "$guest_pid" "$relay_pid" "$other_xvfb" "$wm_pid" "$xvfb_pid"; do
        stop_pid "$p"; done; rm -rf "$work"' EXIT

# A wall (the unseen record 0) across the field at y 8 to 9: the guest, walking left and
# down from his spawn, stops on it level with the bow at (15, 9) and walks over it.
printf '%s\n' 0 0 8 21 1 >"$work/map.txt"
make_tree "$work/map.txt"
start_x 1280x1024x24
host_display=$DISPLAY host_xvfb=$xvfb_pid
start_x 1280x1024x24
guest_display=$DISPLAY other_xvfb=$xvfb_pid xvfb_pid=$host_xvfb

# Points the game_lib helpers (screens, keys, liveness) at one of the two games.
use() {
  if [ "$1" = host ]; then DISPLAY=$host_display game_pid=$host_pid; else DISPLAY=$guest_display game_pid=$guest_pid; fi
}
port() { python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# Starts both games, the guest joining at $2 (host:port) and the host waiting on $1.
start_both() {
  DISPLAY=$host_display start_game "$work/tree" --window --speed 3 --host "$1" --record "$work/host.rec"
  host_pid=$game_pid
  mv "$work/stderr" "$work/host.err"
  DISPLAY=$guest_display start_game "$work/tree" --window --join "$2" --record "$work/guest.rec"
  guest_pid=$game_pid
  for side in host guest; do
    use $side
    shows "$side: main menu" 'tint now 300 100 011'
  done
}

# Waits for a game to end and checks its exit code.
ends_with() {
  use "$1"
  wait_exit "$deadline"
  [ "$code" = "$2" ] || fail "$1: exit code $code, not $2"
  if [ "$1" = host ]; then host_pid=""; else guest_pid=""; fi
}

# P2's arrow icon k in the panel (the panel's second column starts 10.8 units right).
p2_icon() { awk -v k="$1" 'BEGIN { printf "%d", 640 * (1 + (12.3 - 10) * 2.41421 / 1.25 / 19) + k * 19.5 }'; }
icon_y=$(awk 'BEGIN { printf "%d", 512 * (1 + 6.8 * 2.41421 / 19) }')

# One match from the main menu to Exit; the two recordings must end in the same state.
play_one() {
  use host
  hold_until space "colour screen" 'tint now 24 177 100'
  use guest
  shows "guest: colour screen" 'tint now 24 177 100'
  use host
  hold_until space "match" 'tint now 252 380 010'
  use guest
  shows "guest: match" 'tint now 252 380 010'
  # the host walks up, the guest left and down onto the wall, over the bow
  use host
  xdotool keydown e
  use guest
  xdotool keydown s keydown d
  shows "guest: the bow's five arrows" 'lit now $(p2_icon 4) $icon_y 4 4'
  xdotool keyup s keyup d
  use host
  xdotool keyup e
  shows "host: the guest's bow" 'lit now $(p2_icon 4) $icon_y 4 4'
  use guest
  hold_until a "guest: the shot" '! lit now $(p2_icon 4) $icon_y 4 4'
  use host
  shows "host: the guest's shot" '! lit now $(p2_icon 4) $icon_y 4 4' 'lit now $(p2_icon 3) $icon_y 4 4'
  hold_until Escape "pause menu" 'tint now 300 100 011' 'tint now 300 160 111'
  hold_until Down "pause Nastavenia" 'tint now 270 130 011'
  hold_until Down "End" 'tint now 300 160 011'
  hold_until space "main menu again" 'tint now 300 100 011' 'tint now 10 420 110'
  hold_until Down "Nastavenia" 'tint now 270 130 011'
  hold_until Down "Exit" 'tint now 300 160 011'
  xdotool keydown space
  ends_with host 0
  ends_with guest 0
  DISPLAY=$host_display xdotool keyup space 2>/dev/null
  for side in host guest; do
    (cd "$work/tree" && "$replay" --recording "$work/$side.rec") >"$work/$side.dump" ||
      fail "$side: the recording does not run"
  done
  cmp -s "$work/host.dump" "$work/guest.dump" || fail "the two recordings end apart"
  grep -qx "done 1" "$work/host.dump" || fail "the recording does not end with Exit"
  grep -q "^player\[1\]\.y [1-9]" "$work/host.dump" || fail "the host's archer did not walk"
  grep -qx "player\[2\]\.wepon\.naboj\[4\]\.have 0" "$work/host.dump" ||
    fail "the guest's shot is not in the recording"
}

DISPLAY=$host_display start_game "$work/tree" --window --host "$(port)"
host_pid=$game_pid
use host
shows "host: waiting screen" 'tint now 60 200 110' 'tint now 60 240 111'
xdotool keydown Escape
ends_with host 0
xdotool keyup Escape

p=$(port)
start_both "$p" "127.0.0.1:$p"
play_one
echo "online_test: direct ok ($SECONDS s)"

# The same through a relay: 20 to 60 ms each way, so datagrams overtake each other, and
# one in ten lost, one in ten sent twice.
relay_port=$(port) p=$(port)
python3 - "$relay_port" "$p" <<'PY' &
import random, socket, sys, threading, time, heapq
listen, target = int(sys.argv[1]), int(sys.argv[2])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", listen))
up = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
up.connect(("127.0.0.1", target))
guest = None
queue, lock = [], threading.Lock()
def later(sock, data, addr):
    if random.random() < 0.1:
        return
    for _ in range(2 if random.random() < 0.1 else 1):
        with lock:
            heapq.heappush(queue, (time.time() + random.uniform(0.02, 0.06), random.random(), sock, data, addr))
def from_host():
    while True:
        try:
            data = up.recv(65536)
        except OSError:  # the host not listening yet: the ICMP answer lands here
            continue
        if guest: later(s, data, guest)
def sender():
    while True:
        with lock:
            due = [heapq.heappop(queue) for _ in range(len(queue)) if queue and queue[0][0] <= time.time()]
        for _, _, sock, data, addr in due:
            try:
                sock.sendto(data, addr) if addr else sock.send(data)
            except OSError:
                pass
        time.sleep(0.002)
threading.Thread(target=from_host, daemon=True).start()
threading.Thread(target=sender, daemon=True).start()
while True:
    data, guest = s.recvfrom(65536)
    later(up, data, None)
PY
relay_pid=$!
start_both "$p" "127.0.0.1:$relay_port"
play_one
echo "online_test: relay ok ($SECONDS s)"
stop_pid "$relay_pid"
relay_pid=""

# A third player is turned away with 1 and the two play on; then killing the guest: the
# host says the connection is lost, in a box and on stderr, and ends.
p=$(port)
start_both "$p" "127.0.0.1:$p"
(cd "$work/tree" && KORVALEN_BOXES=stderr DISPLAY=$guest_display timeout "$deadline" "$game" --window --join "127.0.0.1:$p") 2>"$work/third.err"
third=$?
[ "$third" = 1 ] || fail "third player: exit code $third, not 1"
grep -q "This game already has two players." "$work/third.err" || fail "third player: no refusal"
use host
hold_until space "host: colour screen after the refusal" 'tint now 24 177 100'
kill -9 "$guest_pid"
wait "$guest_pid" 2>/dev/null
guest_pid=""
use host
box=$(find_window OZNAM) || fail "host: no box after the guest was killed"
answer_box "$box" Return
ends_with host 1
grep -q "korvalen: OZNAM: The connection to the other player was lost." "$work/host.err" ||
  fail "host: the lost connection is not on stderr"
echo "online_test: ok ($SECONDS s)"
