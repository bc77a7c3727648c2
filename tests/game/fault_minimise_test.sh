#!/usr/bin/env bash
# Minimising in the middle of a match and restoring it: while minimised nothing is drawn
# but frames keep running back to back, so the match clock leaps ahead; after restoring,
# drawing and play go on.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/fault_lib.bash"

start_x 1280x1024x24
make_tree
start_game "$work/tree"
win=$(find_window Korvalen 20) || fail "no game window"
sleep 1
speed_three
into_match
shot before.png
before=$(clock_width before.png)
[ "$before" -gt 0 ] || fail "no match clock on screen"

minimise "$win"
sleep 4
alive "minimised"
restore "$win"
sleep 1
shot after.png
after=$(clock_width after.png)
# One digit is about 20 pixels wide: the clock must have gained at least two digits.
[ "$after" -ge $((before + 40)) ] ||
  fail "the clock did not run while minimised (width $before -> $after pixels)"

# Play goes on: player 1 walks right out of his corner, and the clock still moves on screen.
xdotool keydown f
sleep 2
xdotool keyup f
shot later.png
[ "$(count_colour after.png red 80x80+0+680)" -gt "$(count_colour later.png red 80x80+0+680)" ] ||
  fail "player 1 did not walk after restoring"
convert "$work/after.png" -crop 400x70+380+860 "$work/c1.png"
convert "$work/later.png" -crop 400x70+380+860 "$work/c2.png"
[ "$(compare -metric AE "$work/c1.png" "$work/c2.png" null: 2>&1)" != 0 ] ||
  fail "the clock stood still after restoring"
alive "restored"
close_window "$win"
wait_exit 20
[ "$code" = 0 ] || fail "closing the window: expected exit code 0, got $code"
echo "fault minimise: ok (clock width $before -> $after pixels)"
