#!/usr/bin/env bash
# Closing the window anywhere ends the game with exit code 0: during play, on the pause
# menu, the colour screen, the speed screen, the credits and the description. (Closing
# on the main menu is covered by the window test; the end screen is a whole match away,
# minutes of real play, and closing there is the same message as anywhere else.)
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/fault_lib.bash"

# Starts the game, runs the navigation given as arguments, then closes the window.
close_on() {
  local what=$1 win
  shift
  start_game "$work/tree"
  win=$(find_window Korvalen 20) || fail "$what: no game window"
  sleep 1
  "$@" "$win"
  alive "$what"
  shot "$what.png"
  close_window "$win"
  wait_exit 20
  [ "$code" = 0 ] || fail "closing on $what: expected exit code 0, got $code"
  echo "closed on $what: exit code 0"
}

play() { into_match; xdotool keydown e; sleep 1; xdotool keyup e; }
pause() { into_match; press Escape; }
colour() { press space; }
speed() { press Down; press space; }
credits() { press i; }
description() { into_match; press h; }

start_x 1280x1024x24
make_tree
close_on play play
[ "$(panel_green play.png)" -ge 200 ] || fail "play: no match on screen"
close_on pause pause
close_on colour colour
close_on speed speed
close_on credits credits
close_on description description

echo "fault close: ok"
