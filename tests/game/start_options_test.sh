#!/usr/bin/env bash
# The start level as the speed screen shows it: level 1 on every machine, with either pace;
# --speed chooses another. With --bot 3 and no key touched, the computer walks player 2 off
# his spawn point and its hits on player 1 turn the ratings: player 2's green, player 1's red.
set -u
source "$(dirname "$0")/game_lib.bash"

# Restarts the game with arguments $2...; its speed screen must mark level $1 alone.
expect_level() {
  local want=$1 what="level $1 with ${*:2}" level marked=""
  shift
  stop_pid "$game_pid"
  open_game "$root" "$@"
  speed_screen "$what"
  for level in 1 2 3; do
    tint now 250 $((130 + 30 * level)) 101 && marked+=$level
  done
  [ ${#marked} = 1 ] && [[ $want == *$marked* ]] || fail "$what: marked are levels '$marked'"
}
# Whether player 2's spawn point (window pixels 1250 to 1278, 30 to 85) is bare, green grass.
spawn_bare() {
  local r g b
  read -r r g b < <(maxima now 1250 30 28 55)
  seen="($r, $g, $b) at player 2's spawn point"
  [ "$r" -le 60 ] && [ "$b" -le 60 ]
}

start_x 1280x1024x24
expect_level 1
expect_level 1 --pace frame
expect_level 3 --speed 3 --pace clock --bot 3
xdotool mousemove 640 512
hold_until Escape "the main menu after the speed screen" '! tint now 250 10 011'
hold_until Up "New" 'tint now 300 100 011'
into_match
shows "player 2 off his spawn point" 'spawn_bare'
shows "player 2's hits in the ratings" 'tint now 517 400 010' 'tint now 162 400 100'
echo "start options: ok"
