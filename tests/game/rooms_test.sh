#!/usr/bin/env bash
# Two games meet by a room code on the meeting servers of server/run.sh, each under its own X
# server, only through the relay (--relay-only), and play a match whose two recordings end
# the same; a third game is told the room is full; a guest whose host vanishes is told soon.
set -u
source "$(dirname "$0")/game_lib.bash"
source "$(dirname "$0")/two_games.bash"

start_meeting_servers

# Without a server the game says where to find one, in one line, before any window.
env -u DISPLAY "$game" --host-room >/dev/null 2>"$work/stderr"
[ $? = 2 ] && grep -q "Playing over the internet" "$work/stderr" || fail "no server: not told"

make_tree
start_two_displays
room=(--server "$url" --relay-only)
# Each game's own sockets on an address apart from the relay's 127.0.0.1, as two homes
# would be: the relay's permissions go by address, and would let a game's own socket in.
export KORVALEN_ICE_BIND=127.0.0.2

# Hosts a room on side $1's display; its code is left in code.
host_room() {
  start_side "$1" --host-room "${room[@]}" "${@:2}"
  wait_for "host: no room code" 'grep -q "^room " "$work/stdout" || ! kill -0 $game_pid'
  code=$(awk '/^room /{print $2; exit}' "$work/stdout")
  [[ $code =~ ^[A-HJ-NP-Z2-9]{6}$ ]] || fail "host: '$code' is no room code"
  mv "$work/stdout" "$work/$1.out"
}

# A match over the relay: the guest walks onto the bow and shoots, the host ends by Exit.
host_room host --record "$work/host.rec"
KORVALEN_ICE_BIND=127.0.0.3 start_side guest --join-room "${code,,}" "${room[@]}" --record "$work/guest.rec"
main_menu_on_both
for side in host guest; do
  grep -qx "korvalen: playing over WebRTC, through the relay" "$work/$side.err" ||
    fail "$side: the match does not go through the relay: $(cat "$work/$side.err")"
done

# A third player with the code is turned away while the two play.
start_x 1280x1024x24
xvfb+=("$xvfb_pid")
open_game "$work/tree" --window --join-room "$code" "${room[@]}"
box=$(find_window OZNAM) || fail "third player: no box"
grep -qx "korvalen: OZNAM: The room $code is full: another player has taken it." "$work/stderr" ||
  fail "third player: not told the room is full"
answer_box "$box" Return
ends_with 1 "third player"

use host
hold_until space "host: colour screen" 'tint now 24 177 100'
hold_until space "host: match" 'tint now 252 380 010'
use guest
shows "guest: match" 'tint now 252 380 010'
xdotool keydown s keydown d  # the guest walks while the host ends the match
use host
hold_until Escape "pause menu" 'tint now 300 100 011' 'tint now 300 160 111'
end_and_exit
DISPLAY=${display[guest]} xdotool keyup s keyup d
side_ends host 0
side_ends guest 0
DISPLAY=${display[host]} xdotool keyup space 2>/dev/null
for side in host guest; do
  replays "$work/$side.rec" >"$work/$side.dump" || fail "$side: the recording does not run"
done
cmp -s "$work/host.dump" "$work/guest.dump" || fail "the two recordings end apart"
grep -qx "done 1" "$work/host.dump" || fail "the recording does not end with Exit"
echo "rooms_test: a match through the relay ok ($SECONDS s)"

# The host vanishes without a word (killed): its guest is told at once (the broker passes on
# the host's last will), the time printed.
host_room host
KORVALEN_ICE_BIND=127.0.0.3 start_side guest --join-room "$code" "${room[@]}"
main_menu_on_both
kill -9 "${pid[host]}"
wait "${pid[host]}" 2>/dev/null
pid[host]=""
gone=${EPOCHREALTIME/[.,]/}
use guest
wait_for "guest: not told the host is gone" 'grep -q "OZNAM: Spojenie s druhym hracom sa stratilo." "$work/guest.err"'
took=$(((${EPOCHREALTIME/[.,]/} - gone) / 1000))
told guest "Spojenie s druhym hracom sa stratilo."
side_ends guest 1
echo "rooms_test: a vanished host told in $took ms ($SECONDS s)"

# Servers whose relay credentials cannot be used: expired when they come (a wrong clock on
# either side), or refused. A box says which, and the game ends with 1.
mkdir -p "$work/www"
echo '{"username":"1000:ABCDEF","password":"cA==","ttl":43200,"uris":["turn:127.0.0.1:9"]}' >"$work/www/old"
web=$(port)
python3 -m http.server --bind 127.0.0.1 --directory "$work/www" "$web" >/dev/null 2>&1 &
helper=$!
wait_for "the stand-in server did not start" 'curl -s -o /dev/null "http://127.0.0.1:$web/old"'
for path in old missing; do
  echo "{\"version\":1,\"mqtt\":\"mqtt://127.0.0.1:9\",\"turn_credentials\":\"/$path\"}" \
    >"$work/www/korvalen-server.json"
  DISPLAY=${display[guest]}
  open_game "$work/tree" --window --join-room ABCDEF --server "http://127.0.0.1:$web"
  box=$(find_window OZNAM) || fail "credentials $path: no box"
  want="had expired when they came"
  [ $path = missing ] && want="gave no relay credentials the game can use (HTTP 404)"
  grep -qF "$want" "$work/stderr" || fail "credentials $path: not told \"$want\""
  answer_box "$box" Return
  ends_with 1 "credentials $path"
done
echo "rooms_test: credentials refused ok ($SECONDS s)"
