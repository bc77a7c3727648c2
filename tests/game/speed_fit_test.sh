#!/usr/bin/env bash
# The start level fits the machine, one start down each way the game picks it: with no
# display pacing the frames, the rate the main menu draws picks 2 or 3 on a software-drawn
# screen, as busy as the machine is, never the old start at 1; a display pacing the frames
# (KORVALEN_REFRESH_RATE stands in for one) at 775 a second picks 1 (the rates between:
# tests/logic/speed_fit_test.cpp); --speed starts at its own level whatever the display.
# The speed screen shows the level.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"

# Starts the game with the given arguments and expects the speed screen to mark one of the
# levels in $1 ("23": level 2 or 3).
expect_level() {
  local want=$1 what="level $1 with ${KORVALEN_REFRESH_RATE:+a display at $KORVALEN_REFRESH_RATE Hz }${*:2}" level marked=""
  shift
  open_game "$root" "$@"
  shows "$what: main menu" 'tint now 300 100 011'
  hold_until Down "$what: Nastavenia" 'tint now 270 130 011'
  hold_until space "$what: the speed screen" 'tint now 250 10 011'
  for level in 1 2 3; do
    tint now 250 $((130 + 30 * level)) 101 && marked+=$level
  done
  [ ${#marked} = 1 ] && [[ $want == *$marked* ]] || fail "$what: marked are levels '$marked'"
  stop_pid "$game_pid"
}

start_x 1280x1024x24
expect_level 23
KORVALEN_REFRESH_RATE=109 expect_level 1 --speed 1
KORVALEN_REFRESH_RATE=775 expect_level 1
echo "speed fit: ok"
