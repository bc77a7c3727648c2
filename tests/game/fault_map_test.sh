#!/usr/bin/env bash
# Maps the field is drawn from that no real map holds: buildings two billion cells
# wide and 10 MB of text. A match starts on each and is drawn, both players walk
# and attack, and closing the window ends the game with exit code 0. (Missing,
# empty, folder and garbage maps are read the same way without a window: see the
# map scenarios and the map fuzz target.)
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_BOXES=stderr

# Plays on the scratch tree's map, then closes the window.
play_on_map() {
  local what=$1 win
  start_game "$work/tree"
  win=$(find_window Korvalen) || fail "$what: no game window"
  hold_until space "$what: colour screen" 'tint now 24 177 100'
  hold_until space "$what: match" 'tint now 252 380 010'
  xdotool keydown e keydown f keydown i keydown j keydown a keydown m
  shows "$what: match after walking" 'tint now 252 380 010'
  xdotool keyup e keyup f keyup i keyup j keyup a keyup m
  close_window "$win"
  wait_exit "$deadline"
  [ "$code" = 0 ] || fail "$what: closing the window: expected exit code 0, got $code"
}

start_x 1280x1024x24
# One building two billion cells a side over the whole field, one far past the int range.
printf '%s\n' 0 -100 -100 -1 -1 1 -5 -5 2147483647 2147483647 1 2147483600 2147483600 \
  2147483647 2147483647 >"$work/map"
make_tree "$work/map"
play_on_map "huge buildings"

# 10 MB: the real map, then numbers and notes on lines of every length, some past 254.
{
  cat "$root/s_1.txt"
  awk 'BEGIN { srand(7); while (n < 10485760) { l = sprintf("%d %s", int(rand() * 4e9) - 2e9, \
       substr("note note note note", 1, int(rand() * 20))); if (rand() < 0.01) l = l sprintf("%300s", "x"); \
       print l; n += length(l) + 1 } }'
} >"$work/map"
make_tree "$work/map"
play_on_map "10 MB map file"
echo "fault map: ok"
