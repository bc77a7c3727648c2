#!/usr/bin/env bash
# Bad map files: none at all, an empty one, a folder in its place, binary garbage,
# buildings two billion cells wide and 10 MB of text. Each time the match starts, both
# players walk about for a few seconds, the game keeps running and the window closes
# with exit code 0.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/fault_lib.bash"

# Plays a few seconds on the scratch tree's map, then closes the window.
play_on_map() {
  local what=$1 win
  start_game "$work/tree"
  win=$(find_window Korvalen 20) || fail "$what: no game window"
  sleep 1
  into_match
  alive "$what"
  xdotool keydown e keydown f keydown i keydown j
  sleep 2
  xdotool keyup e keyup f keyup i keyup j
  press a
  press m
  sleep 1
  alive "$what"
  shot play.png
  [ "$(panel_green play.png)" -ge 200 ] || fail "$what: no match on screen"
  close_window "$win"
  wait_exit 20
  [ "$code" = 0 ] || fail "$what: closing the window: expected exit code 0, got $code"
}

start_x 1280x1024x24

make_tree
rm "$work/tree/s_1.txt"
play_on_map "no map file"

make_tree
: >"$work/tree/s_1.txt"
play_on_map "empty map file"

make_tree
rm "$work/tree/s_1.txt"
mkdir "$work/tree/s_1.txt"
play_on_map "a folder for the map"

make_tree
head -c 200000 /dev/urandom >"$work/tree/s_1.txt"
play_on_map "binary map file"

make_tree
# One building two billion cells a side over the whole field, one far out past the int range.
printf '0\n-100\n-100\n-1\n-1\n1\n-5\n-5\n2147483647\n2147483647\n1\n2147483600\n2147483600\n2147483647\n2147483647\n' \
  >"$work/tree/s_1.txt"
play_on_map "huge buildings"

make_tree
# 10 MB: the real map, then numbers and notes on lines of every length, some past 254.
{
  cat "$root/s_1.txt"
  awk 'BEGIN { srand(7); while (n < 10485760) { l = sprintf("%d %s", int(rand() * 4e9) - 2e9, \
       substr("note note note note", 1, int(rand() * 20))); if (rand() < 0.01) l = l sprintf("%300s", "x"); \
       print l; n += length(l) + 1 } }'
} >"$work/tree/s_1.txt"
play_on_map "10 MB map file"

echo "fault map: ok"
