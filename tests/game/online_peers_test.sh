#!/usr/bin/env bash
# The host and odd peers, two games under two X servers: a silent machine, guests killed or
# leaving, games of another version, and Exit over a lossy link (each part below).
set -u
source "$(dirname "$0")/game_lib.bash"
source "$(dirname "$0")/two_games.bash"
peer=$(dirname "$game")/tests/odd_peer
version=$("$game" --version | awk '{print $2}')

make_tree
start_two_displays


# A silent machine connects first; the real guest still joins and plays, and the silent one
# is let go while the host plays on.
p=$(port)
start_side host --speed 3 --host "$p" --record "$work/host.rec"
"$peer" silent "$p" >"$work/silent.out" &
helper=$!
wait_for "the silent peer never connected" 'grep -q connected "$work/silent.out"' 30
start_side guest --join "127.0.0.1:$p"
main_menu_on_both "(a silent peer before the guest)"
wait_for "the silent peer is never let go" 'grep -q "let go" "$work/silent.out"' 30
helper=""
use guest
hold_until space "guest: colour screen" 'tint now 24 177 100'
use host
shows "host: the guest's colour screen" 'tint now 24 177 100'
echo "online_peers_test: a silent peer holds no place ($SECONDS s)"

# The guest is killed in a match: the host is told, waits, and the next guest finds both
# games at the main menu, the host's match forgotten. The host's recording is whole by then:
# it holds the first guest's game, into the match.
use guest
hold_until space "guest: match" 'tint now 252 380 010'
use host
shows "host: match" 'tint now 252 380 010'
kill -9 "${pid[guest]}"
wait "${pid[guest]}" 2>/dev/null
pid[guest]=""
told host "Spojenie s druhym hracom sa stratilo."
kill -0 "${pid[host]}" || fail "host: ended after its guest was lost"
replays "$work/host.rec" >"$work/host.dump" || fail "host: the first game's recording does not run"
grep -qx "move 1" "$work/host.dump" || fail "host: the recording does not reach the match"
start_side guest --join "127.0.0.1:$p"
main_menu_on_both "(the second guest)"
echo "online_peers_test: the host stays ($SECONDS s)"

# The second guest closes its window: it ends with 0, the host is told and waits on.
use guest
win=$(find_window Korvalen)
close_window "guest: closing the window"
pid[guest]=""
told host "Druhy hrac odisiel."

# A guest of another version is told the host's version while the host's box is still up.
"$peer" guest "$p" 0.0.0-other >"$work/other.out" || fail "a guest of another version: no refusal"
grep -qx "refused: version $version" "$work/other.out" || fail "the refusal names $(cat "$work/other.out")"
told host "Druha hra ma verziu 0.0.0-other; obe potrebuju rovnaku verziu."
use host
xdotool keydown Escape
side_ends host 0
xdotool keyup Escape

# A host of another version: the real guest is told its version and ends with 1.
p=$(port)
"$peer" host "$p" 0.0.0-other >"$work/other_host.out" &
helper=$!
start_side guest --join "127.0.0.1:$p"
told guest "Druha hra ma verziu 0.0.0-other; obe potrebuju rovnaku verziu."
side_ends guest 1
wait "$helper" || fail "the host of another version never saw its refusal arrive"
helper=""
echo "online_peers_test: other versions told ($SECONDS s)"

# Exit from the main menu through a relay that loses 1 datagram in 10 and then, as Exit is
# chosen, every datagram from the host for 2 s (its last keys, its goodbye): both end with 0.
start_relay 10 2
start_side host --host "$p"
start_side guest --join "127.0.0.1:$relay_port"
main_menu_on_both "(through the lossy relay)"
use host
hold_until Down "Nastavenia" 'tint now 270 130 011'
hold_until Down "Exit" 'tint now 300 160 011'
kill -USR1 "$helper"
xdotool keydown space
side_ends host 0
side_ends guest 0
DISPLAY=${display[host]} xdotool keyup space 2>/dev/null
! grep -q "lost" "$work/host.err" "$work/guest.err" || fail "an Exit in order was taken for a lost link"
echo "online_peers_test: ok ($SECONDS s)"
