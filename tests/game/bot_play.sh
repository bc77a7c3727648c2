#!/usr/bin/env bash
# korvalen --bot 3 --speed 3 under its own X server: a match started with the keyboard
# alone (Space, Space), and then nobody touches a key. The computer walks player 2 off his
# spawn point in the top right corner, and its hits on player 1 (standing at his spawn
# point) turn the ratings: player 2's green, player 1's red in the status panel.
# Usage: bot_play.sh GAME_BINARY REPOSITORY_ROOT
set -u
source "$(dirname "$0")/game_lib.bash"

# Whether the field at player 2's spawn point (window pixels 1250 to 1278, 30 to 85) is
# bare grass, which is pure green: he has walked away.
spawn_bare() {
  local r g b
  read -r r g b < <(maxima now 1250 30 28 55)
  seen="($r, $g, $b) at player 2's spawn point"
  [ "$r" -le 60 ] && [ "$b" -le 60 ]
}

start_x 1280x1024x24
make_tree
open_game "$work/tree" --bot 3 --speed 3
xdotool mousemove 640 512
into_match
shows "player 2 off his spawn point" 'spawn_bare'
shows "player 2's hits in the ratings" 'tint now 517 400 010' 'tint now 162 400 100'
echo "bot_play: ok"
