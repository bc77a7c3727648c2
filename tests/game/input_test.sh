#!/usr/bin/env bash
# Keys as a hostile or broken machine sends them. A tap with no hold (xdotool key) opens
# the pause menu every time; 20 000 key events leave no key down once the game has caught
# up with them (SIGTERM after a flood: signals_test.sh).
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"

# Whether the pause menu ("Return" in cyan) is up.
pause_up() { [ "$(count_colour now cyan 80x40+600+213)" -gt 20 ]; }

start_x 1280x1024x24
make_tree
: >"$work/tree/s_1.txt"  # an open field: a key left down walks a player off his corner
start_game "$work/tree" --speed 1  # the match must outlast the test
find_window Korvalen >/dev/null || fail "no game window"
into_match
for i in $(seq 1 10); do
  xdotool key Escape  # a tap with no hold
  shows "the pause menu after tap $i of Escape" 'pause_up'
  hold_until space "the match again after tap $i" '! pause_up'
done

flood 10000 e f k j  # both players' keys away from their corners
hold_until Escape "the pause menu after the flood" 'pause_up'
hold_until space "the match after the flood" '! pause_up'
shot before
sleep 3  # the field must stay still for a while: no key is down
shot after
moved=$(compare -metric AE -fuzz 10% -crop 1280x770+0+0 "$work/before.png" "$work/after.png" null: 2>&1)
[ "$moved" -lt 500 ] || fail "a key stayed down after the flood ($moved pixels changed)"

echo "input: ok"
