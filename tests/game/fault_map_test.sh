#!/usr/bin/env bash
# Data no real game holds: on maps of buildings two billion cells wide and of 10 MB a
# match is drawn and played, and closing the window ends the game with 0 (other bad maps:
# the map scenarios and fuzz target); an image of 1 x 3 pixels, scaled before its mipmaps,
# starts the game under valgrind with no invalid read.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_BOXES=stderr

# Plays on the scratch tree's map, then closes the window.
play_on_map() {
  local what=$1
  open_game "$work/tree"
  hold_until space "$what: colour screen" 'tint now 24 177 100'
  hold_until space "$what: match" 'tint now 252 380 010'
  xdotool keydown e keydown f keydown i keydown j keydown a keydown m
  shows "$what: match after walking" 'tint now 252 380 010'
  xdotool keyup e keyup f keyup i keyup j keyup a keyup m
  close_window "$win"
  ends_with 0 "$what: closing the window"
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

command -v valgrind >/dev/null || { echo "fault map: ok (no valgrind: the 1 x 3 image skipped)"; exit 0; }
make_tree
convert -size 1x3 gradient:red-blue -type truecolor "BMP3:$work/tree/Data/texture/6.bmp"
wrap="valgrind --error-exitcode=1 --suppressions=$(dirname "$(realpath "$0")")/valgrind.supp"
open_game "$work/tree"
shows "main menu under valgrind" 'tint now 300 100 011'
close_window "$win"
ends_with 0 "valgrind"
echo "fault map: ok"
