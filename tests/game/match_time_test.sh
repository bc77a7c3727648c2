#!/usr/bin/env bash
# A match lasts its designed 167 seconds at level 1, whatever the picture rate: the steps
# run on a clock, not one per picture. On a busy machine the game may fall behind and let
# the backlog go (it slows rather than jumps), so the wall time is no measure; the game's
# clock log is: the steps the match took, its time from first step to last, and the time
# let go. Player 1 idle against the computer, while a busy loop holds a core.
# bench/match_time.sh prints the wall time.
set -u
source "$(dirname "$0")/game_lib.bash"

LEVEL=${KORVALEN_MATCH_LEVEL:-1}
# The steps of play until the clock passes 5000 at each level (once the ratings differ,
# which they do after the computer's first hit), and the level's steps a second.
steps=(0 501802 33345 10001) rate=(0 3000 200 60)
TOLERANCE_PERCENT=1

bash -c 'while :; do :; done' &
busy_pid=$!
trap 'stop_pid "$busy_pid"; stop_pid "$game_pid"; stop_pid "$xvfb_pid"; rm -rf "$work"' EXIT
# A small screen: the picture costs the software rasterizer little.
start_x 640x512x24
picture=(0 0 640 512)
export KORVALEN_CLOCK_LOG=$work/clock.log
open_game "$root" --speed "$LEVEL" --bot 3
xdotool mousemove 320 256
into_match
# However long the machine makes it take: a match that never ends is the fault caught here.
wait_for "no match end in the clock log" '[ -s "$KORVALEN_CLOCK_LOG" ] || ! kill -0 $game_pid' 1200
read -r _ _ ran _ ns _ dropped_ns <"$KORVALEN_CLOCK_LOG" || fail "the game ended in the match"
ms=$((ns / 1000000)) dropped_ms=$((dropped_ns / 1000000)) unstalled_ms=$(((ns - dropped_ns) / 1000000))
echo "level $LEVEL: $ran steps, $((ms / 1000)).$(printf %03d $((ms % 1000))) s on the wall clock," \
  "$((dropped_ms / 1000)).$(printf %03d $((dropped_ms % 1000))) s let go"
[ "$ran" = "${steps[LEVEL]}" ] || fail "level $LEVEL: the match took $ran steps, not ${steps[LEVEL]}"
designed_ms=$((ran * 1000 / rate[LEVEL]))
[ $((100 * (unstalled_ms - designed_ms))) -le $((TOLERANCE_PERCENT * designed_ms)) ] &&
  [ $((100 * (designed_ms - unstalled_ms))) -le $((TOLERANCE_PERCENT * designed_ms)) ] ||
  fail "level $LEVEL: $unstalled_ms ms not let go, where $ran steps last $designed_ms ms"
# The end screen: the congratulation in cyan at the top, "Stlac medzernik" in red below.
shows "end screen" 'tint now 200 20 011' 'tint now 200 400 100'
close_window "closing the window on the end screen"
echo "match time: ok"
