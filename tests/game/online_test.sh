#!/usr/bin/env bash
# Two games, each under its own X server, play a match over UDP, directly and through a lossy
# relay; joining nobody; recordings nothing can take, or to a pipe (each part below).
set -u
source "$(dirname "$0")/game_lib.bash"
source "$(dirname "$0")/two_games.bash"

# A wall (the unseen record 0) across the field at y 8 to 9: the guest, walking left and
# down from his spawn, stops on it level with the bow at (15, 9) and walks over it.
printf '%s\n' 0 0 8 21 1 >"$work/map.txt"
make_tree "$work/map.txt"
start_two_displays

# Starts both games, the guest joining at $2 (host:port) and the host waiting on $1.
start_both() {
  start_side host --host "$1" --record "$work/host.rec"
  wrap="env LD_PRELOAD=$flood KORVALEN_FLOOD_FILE=$work/flood KORVALEN_FLOOD_MS=12000" \
    start_side guest --join "$2" --record "$work/guest.rec"
  main_menu_on_both
}
# Preloaded into the guest: a flood of window messages on demand (flood_events.cpp).
flood=$(dirname "$game")/tests/flood_events.so
[ -f "$flood" ] || fail "no $flood"
# The host holds key $1 until the checks hold, then the guest's screen must show them too.
both_see() {
  local key=$1 what=$2
  shift 2
  use host
  hold_until "$key" "host: $what" "$@"
  use guest
  shows "guest: $what" "$@"
}

# P2's arrow icon k in the panel (the panel's second column starts 10.8 units right).
p2_icon() { awk -v k="$1" 'BEGIN { printf "%d", 640 * (1 + (12.3 - 10) * 2.41421 / 1.25 / 19) + k * 19.5 }'; }
icon_y=$(awk 'BEGIN { printf "%d", 512 * (1 + 6.8 * 2.41421 / 19) }')

# One match from the main menu to Exit; the two recordings must end in the same state.
play_one() {
  both_see space "colour screen" 'tint now 24 177 100'
  both_see space "match" 'tint now 252 380 010'
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
  end_and_exit
  side_ends host 0
  side_ends guest 0
  DISPLAY=${display[host]} xdotool keyup space 2>/dev/null
  for side in host guest; do
    replays "$work/$side.rec" >"$work/$side.dump" || fail "$side: the recording does not run"
  done
  cmp -s "$work/host.dump" "$work/guest.dump" || fail "the two recordings end apart"
  grep -qx "done 1" "$work/host.dump" || fail "the recording does not end with Exit"
  grep -qx "Q_1 1" "$work/host.dump" || fail "the match did not run at level 1"
  grep -qx "player\[2\]\.wepon\.naboj\[4\]\.have 0" "$work/host.dump" ||
    fail "the guest's shot is not in the recording"
}

# Directly: the guest reads a flood of window messages for longer than the silence the host
# allows, and still keeps the link; then both walk, the guest takes a bow and shoots, the
# host leaves by End and Exit.
p=$(port)
start_both "$p" "127.0.0.1:$p"
touch "$work/flood"
wait_for "the guest never read the flood of window messages" '[ ! -e "$work/flood" ]'
play_one
echo "online_test: direct ok ($SECONDS s)"

# Through a relay: 20 to 60 ms each way (datagrams overtake), 1 in 10 lost, 1 in 10 sent twice.
start_relay 10 0
start_both "$p" "127.0.0.1:$relay_port"
play_one
echo "online_test: relay ok ($SECONDS s)"

# Joining where nobody hosts: a box naming the address within 10 s of the waiting screen
# (15 s allowed), the same line on stderr, exit code 1.
p=$(port) DISPLAY=${display[guest]}
open_game "$work/tree" --window --join "127.0.0.1:$p"
shown=$SECONDS
box=$(find_window OZNAM) || fail "joining nobody: no box"
[ $((SECONDS - shown)) -le 15 ] || fail "joining nobody: the box came after $((SECONDS - shown)) s"
grep -qx "korvalen: OZNAM: The game cannot reach 127.0.0.1:$p." "$work/stderr" ||
  fail "joining nobody: the address is not on stderr"
answer_box "$box" Return
ends_with 1 "joining nobody"

# A recording nothing can take is refused at the start (a pipe nobody reads, without
# waiting for one; a full device); one to a pipe that is read ends whole on SIGTERM.
mkfifo "$work/pipe"
for target in "$work/pipe" /dev/full; do
  start_game "$work/tree" --window --record "$target"
  ends_with 1 "--record $target" 30
  grep -q "korvalen: cannot write the recording $target" "$work/stderr" ||
    fail "--record $target: no reason on stderr"
done
cat "$work/pipe" >"$work/piped.rec" &
reader=$!
open_game "$work/tree" --window --record "$work/pipe"
shows "recording to a pipe: main menu" 'tint now 300 100 011'
kill -TERM "$game_pid"
ends_with 0 "SIGTERM while recording to a pipe"
wait "$reader"
replays "$work/piped.rec" >/dev/null || fail "the recording ended by SIGTERM does not replay"
echo "online_test: joining and recording ok ($SECONDS s)"
