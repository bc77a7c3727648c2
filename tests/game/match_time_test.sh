#!/usr/bin/env bash
# A match lasts its designed 167 seconds of wall time at every level, on any machine and
# under load: the steps run on a clock, not one per picture. Two matches at once, each under
# its own Xvfb, player 1 idle against the computer, at levels 1 and 3, while a busy loop holds
# a core; each timed from the first picture of the match to the first of the end screen.
set -u
source "$(dirname "$0")/game_lib.bash"

DESIGNED=167 TOLERANCE_PERCENT=5

# Plays and times one match at level $1 on an X server of its own.
time_match() {
  local level=$1 start ms
  work=$work/level_$level
  mkdir -p "$work"
  trap 'stop_pid "$game_pid"; stop_pid "$xvfb_pid"' EXIT
  # A small screen: the picture costs the software rasterizer little, so the steps' pace,
  # not the drawing, is what is timed.
  start_x 640x512x24
  picture=(0 0 640 512)
  open_game "$root" --speed "$level" --bot 3
  xdotool mousemove 320 256
  into_match
  start=${EPOCHREALTIME/[.,]/}
  # The end screen: the congratulation in cyan at the top, "Stlac medzernik" in red below.
  until tint now 200 20 011 && tint now 200 400 100; do
    ms=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
    [ "$ms" -lt $((DESIGNED * 3000)) ] || fail "level $level: no end screen after $((DESIGNED * 3)) s"
    kill -0 "$game_pid" 2>/dev/null || fail "level $level: the game ended in the match"
    sleep 0.5
    shot now
  done
  ms=$(((${EPOCHREALTIME/[.,]/} - start) / 1000))
  echo "level $level: the match lasted $((ms / 1000)).$(printf %03d $((ms % 1000))) s"
  [ $((ms / 10)) -ge $((DESIGNED * (100 - TOLERANCE_PERCENT))) ] &&
    [ $((ms / 10)) -le $((DESIGNED * (100 + TOLERANCE_PERCENT))) ] ||
    fail "level $level: the match did not last $DESIGNED s within $TOLERANCE_PERCENT %"
  close_window "level $level: closing the window on the end screen"
}

bash -c 'while :; do :; done' &
busy_pid=$!
trap 'stop_pid "$busy_pid"; rm -rf "$work"' EXIT
time_match 1 & first=$!
time_match 3 & second=$!
bad=
wait "$first" || bad+=" 1"
wait "$second" || bad+=" 3"
[ -z "$bad" ] || fail "level$bad: the match failed or did not last its time"
echo "match time: ok"
