#!/usr/bin/env bash
# Minimising in the middle of a match under a window manager: the game waits for the
# window to come back, so the status panel shows the same time before and after 10
# seconds minimised, and the game uses next to no processor time meanwhile; restored,
# drawing and play go on.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/fault_lib.bash"

# The clock region of the status panel in screenshot $1, cut out as $1.clock.png.
clock_crop() { convert "$work/$1" -crop 400x70+380+860 +repage "$work/$1.clock.png"; }

start_x 1280x1024x24
start_wm
make_tree
start_game "$work/tree"
win=$(find_window Korvalen 20) || fail "no game window"
wait_map_state "$win" IsViewable
speed_three
into_match
# Two digits on the clock, then on at speed 1, where it shows the same for 1000 frames.
for _ in $(seq 1 60); do
  shot clock.png
  [ "$(clock_width clock.png)" -ge 30 ] && break
  sleep 0.5
done
[ "$(clock_width clock.png)" -ge 30 ] || fail "the match clock does not run"
press Escape
press Down
press space
press 1
press Escape
press Up
press space

same=
for attempt in 1 2; do  # a second try, should the clock turn over at the first
  shot before.png
  clock_crop before.png
  xdotool windowminimize "$win"
  wait_map_state "$win" IsUnMapped
  read -r t0 c0 < <(echo "$(date +%s.%N) $(awk '{print $14 + $15}' "/proc/$game_pid/stat")")
  sleep 10  # the one intended wait: 10 seconds minimised
  read -r t1 c1 < <(echo "$(date +%s.%N) $(awk '{print $14 + $15}' "/proc/$game_pid/stat")")
  cpu=$(awk -v c="$((c1 - c0))" -v hz="$(getconf CLK_TCK)" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "%.1f", 100 * c / hz / (t1 - t0) }')
  alive "minimised"
  awk -v p="$cpu" 'BEGIN { exit !(p < 5) }' || fail "minimised, the game used $cpu % of a core"
  xdotool windowactivate "$win"
  wait_map_state "$win" IsViewable
  for _ in $(seq 1 40); do  # until the panel is drawn again
    shot after.png
    [ "$(panel_green after.png)" -ge 200 ] && break
    sleep 0.25
  done
  clock_crop after.png
  if [ "$(compare -metric AE "$work/before.png.clock.png" "$work/after.png.clock.png" null: 2>&1)" = 0 ]
  then same=1; break; fi
done
[ "$(clock_width after.png)" -gt 0 ] || fail "no match clock after restoring"
[ -n "$same" ] || fail "the match clock moved while minimised"

# Play goes on: player 1 walks right out of his corner.
red=$(count_colour after.png red 80x80+0+680)
xdotool keydown f
walked=
for _ in $(seq 1 60); do
  shot later.png
  [ "$(count_colour later.png red 80x80+0+680)" -lt $((red - 100)) ] && { walked=1; break; }
  sleep 0.5
done
xdotool keyup f
[ -n "$walked" ] || fail "player 1 did not walk after restoring"
alive "restored"
close_window "$win"
wait_exit 20
[ "$code" = 0 ] || fail "closing the window: expected exit code 0, got $code"
echo "fault minimise: ok (clock the same over 10 s minimised, $cpu % of a core meanwhile)"
