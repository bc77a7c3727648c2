#!/usr/bin/env bash
# A window manager that never shows the window holds the start no longer than its deadline.
# Minimised for 10 s mid-match under a window manager, the panel's clock stands still and
# the processor idles; restored, drawing and play go on.
set -u
source "$(dirname "$0")/game_lib.bash"

# Percent of a core the game uses over the next $1 seconds.
cpu_use() {
  local c0 c1
  c0=$(awk '{print $14 + $15}' "/proc/$game_pid/stat")
  sleep "$1"
  c1=$(awk '{print $14 + $15}' "/proc/$game_pid/stat")
  echo $((100 * (c1 - c0) / $(getconf CLK_TCK) / $1))
}
# Pixels of colour $2 in screenshot $1 inside the rectangle $3 (WxH+X+Y).
count_colour() {
  convert "$work/$1.png" -crop "$3" +repage -fuzz 25% -fill black +opaque "$2" \
    -fill white -opaque "$2" -colorspace gray -format "%[fx:round(mean*w*h)]" info:
}
# The clock region of the status panel in screenshot $1, cut out as $1.clock.png.
clock_crop() { convert "$work/$1.png" -crop 400x70+380+860 +repage "$work/$1.clock.png"; }
# Whether the yellow match clock under "Time" is drawn.
clock_shown() { [ "$(count_colour "$1" yellow 400x70+380+860)" -gt 20 ]; }

start_x 1280x1024x24
# A window manager that never maps the window (one still starting may lose the request): the
# start goes on after its deadline and says so, and SIGTERM ends the game with 0.
/usr/bin/python3 "$clients" deaf_wm >"$work/wm" &
wm_pid=$!
wait_for "the deaf window manager did not start" 'grep -q ready "$work/wm"'
start_game "$root" --window
wait_for "the start waited for ever on the window manager" \
  'grep -q "has not shown the window" "$work/stderr"' 60
kill -TERM "$game_pid"
ends_with 0 "SIGTERM after the window was never shown" 60
stop_pid "$wm_pid"

start_wm
make_tree
# One step a picture at the slow level: the clock's figure stays for 100 pictures.
open_game "$work/tree" --window --speed 1 --pace frame
wait_map_state "$win" IsViewable
xdotool key F11  # full screen, where the panel lies at known pixels
into_match
shows "the match clock" 'clock_shown now'
# Should the clock's figure turn just before the minimising, the second try is clear of it.
for attempt in 1 2; do
  shot before
  clock_crop before
  minimise
  cpu=$(cpu_use 10)  # the one intended wait: 10 seconds minimised
  kill -0 "$game_pid" 2>/dev/null || { wait "$game_pid"; fail "minimised: the game ended (code $?)"; }
  [ "$cpu" -lt 5 ] || fail "minimised, the game used $cpu % of a core"
  restore
  shows "the status panel after restoring" 'clock_shown now'
  mv "$work/now.png" "$work/after.png"
  clock_crop after
  same before.clock after.clock && break
  [ $attempt = 2 ] && fail "the match clock moved while minimised"
done

# Play goes on: player 1 walks right out of his corner.
red=$(count_colour after red 80x80+0+680)
hold_until f "player 1 walks after restoring" '[ "$(count_colour now red 80x80+0+680)" -lt $((red - 100)) ]'
close_window "closing the window"
echo "fault minimise: ok ($cpu % of a core minimised, the clock stood still)"
