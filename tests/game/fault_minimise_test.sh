#!/usr/bin/env bash
# Minimising in the middle of a match under a window manager: the game waits for the
# window to come back, so the status panel shows the same time before and after 10
# seconds minimised, and the game uses next to no processor time meanwhile; restored,
# drawing and play go on.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"

# The clock region of the status panel in screenshot $1, cut out as $1.clock.png.
clock_crop() { convert "$work/$1.png" -crop 400x70+380+860 +repage "$work/$1.clock.png"; }
# Whether the yellow match clock under "Time" is drawn.
clock_shown() { [ "$(count_colour "$1" yellow 400x70+380+860)" -gt 20 ]; }
# Restores the minimised window, asking again until it is back: the window manager may
# drop a request that comes while it is still busy with the minimising.
restore() {
  local end=$((SECONDS + deadline)) again
  while [ $SECONDS -lt $end ]; do
    xdotool windowactivate "$1" 2>/dev/null
    again=$((SECONDS + 2))
    while [ $SECONDS -lt $again ]; do
      xwininfo -id "$1" 2>/dev/null | grep -q "Map State: IsViewable" && return 0
      sleep 0.1
    done
  done
  fail "window $1 never came back from minimised"
}
# Processor ticks the game has used so far.
ticks() { awk '{print $14 + $15}' "/proc/$game_pid/stat"; }

start_x 1280x1024x24
start_wm
make_tree
start_game "$work/tree" --speed 1  # the slow clock: its figure stays for 100 frames
win=$(find_window Korvalen) || fail "no game window"
wait_map_state "$win" IsViewable
into_match
shows "the match clock" 'clock_shown now'

# At speed 1 the clock's figure stays for 100 frames; should it turn over between the
# picture and the minimising, the second try is well clear of the next turn.
same=
for attempt in 1 2; do
  shot before
  clock_crop before
  xdotool windowminimize "$win"
  wait_map_state "$win" IsUnMapped
  t0=$(date +%s.%N) c0=$(ticks)
  sleep 10  # the one intended wait: 10 seconds minimised
  t1=$(date +%s.%N) c1=$(ticks)
  cpu=$(awk -v c="$((c1 - c0))" -v hz="$(getconf CLK_TCK)" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "%.1f", 100 * c / hz / (t1 - t0) }')
  alive "minimised"
  awk -v p="$cpu" 'BEGIN { exit !(p < 5) }' || fail "minimised, the game used $cpu % of a core"
  restore "$win"
  shows "the status panel after restoring" 'clock_shown now'
  mv "$work/now.png" "$work/after.png"
  clock_crop after
  if [ "$(compare -metric AE "$work/before.clock.png" "$work/after.clock.png" null: 2>&1)" = 0 ]
  then same=1; break; fi
done
[ -n "$same" ] || fail "the match clock moved while minimised"

# Play goes on: player 1 walks right out of his corner.
red=$(count_colour after red 80x80+0+680)
hold_until f "player 1 walks after restoring" '[ "$(count_colour now red 80x80+0+680)" -lt $((red - 100)) ]'
close_window "$win"
wait_exit "$deadline"
[ "$code" = 0 ] || fail "closing the window: expected exit code 0, got $code"
echo "fault minimise: ok (clock the same over 10 s minimised, $cpu % of a core meanwhile)"
