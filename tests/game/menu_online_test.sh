#!/usr/bin/env bash
# Hosting and joining from the menus, two games under two X servers, keys only: O hosts on
# the LAN (the waiting screen names the port), P joins by typing 127.0.0.1; both reach the
# colour screen and the match. The guest's address is then offered as a recent one. The
# host's Esc while waiting, and a join nobody answers, each come back to the main menu, the
# failure's line shown there. Both games speak English: KORVALEN_SCREENSHOTS=DIR keeps the
# host menu with no meeting servers, the join menu and the failed join's line there.
set -u
source "$(dirname "$0")/game_lib.bash"
source "$(dirname "$0")/two_games.bash"
export XDG_DATA_HOME=$work/data

# A menu hosts on the game's own port: another game holding it would be joined instead.
if python3 -c 'import socket; socket.socket(socket.AF_INET, socket.SOCK_DGRAM).bind(("0.0.0.0", 28760))' 2>/dev/null; then :; else
  echo "menu_online_test: skipped, UDP port 28760 is taken"
  exit 0
fi

start_two_games --lang en

use host
shows "host: main menu" 'tint now 300 100 011'
hold_until o "host: the host menu, LAN picked" 'tint now 230 30 110' 'tint now 80 90 011'
# no meeting servers are set: the rooms' rows are dimmed and the screen says what they need
tint now 80 130 010 && fail "host: a room is offered with no server"
tint now 40 270 100 || fail "host: nothing says what an internet game needs ($seen)"
keep host_en
hold_until space "host: waiting on the LAN" 'tint now 60 200 110'
grep -q "waiting for the other player at .*:28760" "$work/host.err" ||
  fail "host: the waiting addresses name no port 28760"

use guest
shows "guest: main menu" 'tint now 300 100 011'
hold_until p "guest: the join menu" 'tint now 230 30 110' 'tint now 60 110 011'
shot empty
xdotool type --delay 30 "127.0.0.x"
xdotool key BackSpace
xdotool type --delay 30 "1"
shows "guest: the address typed" '! same now empty'
hold_until Return "guest: joined" 'tint now 300 100 011'
use host
shows "host: the guest joined, main menu" 'tint now 300 100 011'
hold_until space "host: colour screen" 'tint now 24 177 100'
use guest
shows "guest: the host's colour screen" 'tint now 24 177 100'
hold_until space "guest: match" 'tint now 252 380 010'
use host
shows "host: match" 'tint now 252 380 010'
[ "$(cat "$XDG_STATE_HOME/korvalen/recent")" = 127.0.0.1 ] ||
  fail "the address joined is not the recent one: '$(cat "$XDG_STATE_HOME/korvalen/recent" 2>&1)'"
echo "menu_online_test: met from the menus ($SECONDS s)"

# The guest closes its window: its game ends; the host is told and waits on, and Esc takes
# it back to its main menu, with no failure shown.
use guest
win=$(find_window Korvalen)
close_window "guest: closing the window"
pid[guest]=""
use host
box=$(find_window NOTICE) || fail "host: no box for the guest's leaving"
grep -qF "korvalen: NOTICE: The other player has left." "$work/host.err" || fail "host: not told"
answer_box "$box" Return
use host
shows "host: waiting again" 'tint now 60 200 110'
hold_until Escape "host: main menu after Esc" 'tint now 300 100 011'
tint now 20 310 100 && fail "host: a failure shown after Esc"

# A join of the recent address, which nobody hosts now: back on the main menu with its line.
# The host is closed first, so nothing answers on the port.
win=$(find_window Korvalen)
close_window "host: closing the window"
pid[host]=""
start_side guest --lang en
shows "guest: main menu" 'tint now 300 100 011'
hold_until p "guest: the join menu" 'tint now 230 30 110'
xdotool type --delay 30 "192.168.1.5:28761"
hold_until Down "guest: the recent address picked" 'tint now 60 175 011' '! tint now 60 110 011'
keep join_en
hold_until space "guest: joining" 'tint now 60 200 110'
shows "guest: back on the main menu with the failure" 'tint now 300 100 011' 'tint now 20 310 100'
grep -q "127.0.0.1:28760" "$work/guest.err" || fail "guest: the failure is not on stderr"
keep join_failed_en
hold_until Down "guest: a key puts the failure away" '! tint now 20 310 100'
echo "menu_online_test: back from a failed join ($SECONDS s)"
