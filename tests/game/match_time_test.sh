#!/usr/bin/env bash
# A match lasts its designed 167 seconds of wall time at every level, on any machine and
# under load: the steps run on a clock, not one per picture. Two real matches at once, each
# under its own Xvfb, player 1 idle against the computer (--bot 3), one at level 1 and one
# at level 3, while a busy loop holds a core. Each is timed from the first picture that shows
# the match to the first that shows the end screen, and must last 167 s within 5 %.
set -u
source "$(dirname "$0")/game_lib.bash"

DESIGNED=167 TOLERANCE_PERCENT=5

# Plays one match at level $1 (its other arguments go to the game) on an X server of its
# own, and writes the match's wall time in seconds to $work/seconds_$1.
time_match() {
  local level=$1 start now
  shift
  work=$work/level_$level
  mkdir -p "$work"
  trap 'stop_pid "$game_pid"; stop_pid "$xvfb_pid"' EXIT
  # A small screen: the picture costs the software rasterizer little, so the steps' pace,
  # not the drawing, is what is timed.
  start_x 640x512x24
  picture=(0 0 640 512)
  open_game "$root" --speed "$level" --bot 3 "$@"
  xdotool mousemove 320 256
  into_match
  start=${EPOCHREALTIME/[.,]/}
  # The end screen: the congratulation in cyan at the top, "Stlac medzernik" in red below.
  until tint now 200 20 011 && tint now 200 400 100; do
    now=${EPOCHREALTIME/[.,]/}
    [ $(((now - start) / 1000000)) -lt $((DESIGNED * 3)) ] || fail "level $level: no end screen after $((DESIGNED * 3)) s"
    kill -0 "$game_pid" 2>/dev/null || fail "level $level: the game ended in the match"
    sleep 0.5
    shot now
  done
  now=${EPOCHREALTIME/[.,]/}
  echo "$(((now - start) / 1000)) ms" >"$work/../seconds_$level"
  close_window "level $level: closing the window on the end screen"
}

bash -c 'while :; do :; done' &
busy_pid=$!
trap 'stop_pid "$busy_pid"; rm -rf "$work"' EXIT
time_match 1 & first=$!
time_match 3 & second=$!
wait "$first" || fail "the match at level 1 failed"
wait "$second" || fail "the match at level 3 with a busy core failed"
stop_pid "$busy_pid"

low=$((DESIGNED * (100 - TOLERANCE_PERCENT) * 10)) high=$((DESIGNED * (100 + TOLERANCE_PERCENT) * 10))
bad=
for level in 1 3; do
  read -r ms _ <"$work/seconds_$level"
  echo "level $level: the match lasted $((ms / 1000)).$(printf %03d $((ms % 1000))) s"
  [ "$ms" -ge "$low" ] && [ "$ms" -le "$high" ] || bad+=" $level"
done
[ -z "$bad" ] || fail "level$bad: the match did not last $DESIGNED s within $TOLERANCE_PERCENT %"
echo "match time: ok"
