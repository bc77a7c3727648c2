#!/usr/bin/env bash
# A window the window manager shades (rolls up to its title bar) counts as minimised:
# the game draws nothing and uses next to no processor time until it is unshaded, then
# goes on drawing.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"

# Asks the window manager to shade window $1 (1) or unshade it (0).
shade() {
  client_message "$1" _NET_WM_STATE "$2" _NET_WM_STATE_SHADED root || fail "cannot ask for the shade"
}
# Waits until window $1's state does ($2 = "") or does not ($2 = "!") hold the shade.
wait_shade() {
  local end=$((SECONDS + deadline))
  until eval "$2 xprop -id $1 _NET_WM_STATE | grep -q _NET_WM_STATE_SHADED"; do
    [ $SECONDS -lt $end ] || fail "window $1: the shade never changed"
    sleep 0.1
  done
}
# Percent of a core the game uses over $1 seconds.
cpu() {
  local c0 c1
  c0=$(awk '{print $14 + $15}' "/proc/$game_pid/stat")
  sleep "$1"
  c1=$(awk '{print $14 + $15}' "/proc/$game_pid/stat")
  echo $((100 * (c1 - c0) / $(getconf CLK_TCK) / $1))
}

start_x 1280x1024x24
start_wm
make_tree
start_game "$work/tree" --window --speed 1
win=$(find_window Korvalen) || fail "no game window"
wait_map_state "$win" IsViewable
shade "$win" 1
wait_shade "$win" ""
sleep 1  # the game looks at the shade four times a second
used=$(cpu 3)
alive "shaded"
[ "$used" -lt 5 ] || fail "shaded, the game used $used % of a core"
shade "$win" 0
wait_shade "$win" "!"
end=$((SECONDS + deadline))
until [ "$(cpu 1)" -ge 5 ]; do [ $SECONDS -lt $end ] || fail "unshaded, the game draws no more"; done
echo "shade: ok ($used % of a core while shaded)"
