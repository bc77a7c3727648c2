#!/usr/bin/env bash
# A room hosted and joined from the menus on the meeting servers of server/run.sh, named in
# the settings: O, the public room, Space; the room's code printed; P lists it among the
# lobby's public rooms, Down picks it, Space joins; both games reach the main menu through
# the relay, and the code is the guest's recent one. Both games speak English:
# KORVALEN_SCREENSHOTS=DIR keeps the host menu with the servers set, the room's waiting
# screen and the join menu with the lobby.
set -u
source "$(dirname "$0")/game_lib.bash"
source "$(dirname "$0")/two_games.bash"

start_meeting_servers
mkdir -p "$XDG_CONFIG_HOME/korvalen"
printf '[online]\nserver = %s\nrelay_only = yes\n' "$url" >"$XDG_CONFIG_HOME/korvalen/settings.ini"

# each game's own sockets apart from the relay's 127.0.0.1, as two homes would be
ice_bind=([host]=127.0.0.2 [guest]=127.0.0.3)
start_two_games --lang en

use host
shows "host: main menu" 'tint now 300 100 011'
hold_until o "host: the host menu" 'tint now 230 30 110'
tint now 80 130 010 || fail "host: the public room is not offered ($seen)"
hold_until Down "host: the public room picked" 'tint now 80 130 011'
keep host_rooms_en
hold_until space "host: the room's waiting screen" 'tint now 60 200 110'
wait_for "host: no room code" 'grep -q "^room " "$work/host.out" || ! kill -0 $game_pid'
code=$(awk '/^room /{print $2; exit}' "$work/host.out")
[[ $code =~ ^[A-HJ-NP-Z2-9]{6}$ ]] || fail "host: '$code' is no room code"
shows "host: the code on the waiting screen" 'lit now 120 470 400 100'
keep room_waiting_en

use guest
shows "guest: main menu" 'tint now 300 100 011'
hold_until p "guest: the join menu" 'tint now 230 30 110'
shows "guest: the public room in the lobby" 'tint now 350 175 010'
hold_until Down "guest: the public room picked" 'tint now 350 175 011'
keep join_lobby_en
hold_until space "guest: in the room" 'tint now 300 100 011'
use host
shows "host: the guest came, main menu" 'tint now 300 100 011'
for side in host guest; do
  grep -qx "korvalen: playing over WebRTC, through the relay" "$work/$side.err" ||
    fail "$side: the match does not go through the relay: $(cat "$work/$side.err")"
done
[ "$(cat "$XDG_STATE_HOME/korvalen/recent")" = "$code" ] ||
  fail "the room joined is not the recent one: '$(cat "$XDG_STATE_HOME/korvalen/recent" 2>&1)'"
echo "menu_rooms_test: met in room $code from the menus ($SECONDS s)"
