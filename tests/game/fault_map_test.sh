#!/usr/bin/env bash
# Data no real game holds: on buildings two billion cells wide a match is drawn and played,
# and closing ends with 0 (other bad maps: the map scenarios, tests/logic/map_test.cpp, the
# fuzz target); a 1 x 3 image, scaled before its mipmaps, starts under valgrind cleanly.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_BOXES=stderr

start_x 1280x1024x24
# One building two billion cells a side over the whole field, one far past the int range.
printf '%s\n' 0 -100 -100 -1 -1 1 -5 -5 2147483647 2147483647 1 2147483600 2147483600 \
  2147483647 2147483647 >"$work/map"
make_tree "$work/map"
open_game "$work/tree"
into_match
xdotool keydown e keydown f keydown i keydown j keydown a keydown m
shows "match after walking" 'tint now 252 380 010'
xdotool keyup e keyup f keyup i keyup j keyup a keyup m
close_window "huge buildings: closing the window"

command -v valgrind >/dev/null || { echo "fault map: ok (no valgrind: the 1 x 3 image skipped)"; exit 0; }
make_tree
convert -size 1x3 gradient:red-blue -type truecolor "BMP3:$work/tree/Data/texture/6.bmp"
wrap="valgrind --error-exitcode=1 --suppressions=$(dirname "$(realpath "$0")")/valgrind.supp"
open_game "$work/tree"
shows "main menu under valgrind" 'tint now 300 100 011'
close_window "valgrind"
echo "fault map: ok"
