#!/usr/bin/env bash
# An image whose sides are not powers of two (1 x 3) starts the game under valgrind with
# no invalid read: the game scales it before the mipmaps are built, so no library reads
# past its pixels. The window is then closed: exit code 0, or valgrind's 1 on an error.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"
command -v valgrind >/dev/null || { echo "npot valgrind: no valgrind, skipped"; exit 0; }

start_x 1280x1024x24
make_tree
convert -size 1x3 gradient:red-blue -type truecolor "BMP3:$work/tree/Data/texture/6.bmp"
supp=$(cd "$(dirname "$0")" && pwd)/valgrind.supp
(cd "$work/tree" && exec valgrind --error-exitcode=1 --suppressions="$supp" "$game") \
  >"$work/stdout" 2>"$work/stderr" &
game_pid=$!
win=$(find_window Korvalen) || fail "no game window under valgrind"
shows "main menu under valgrind" 'tint now 300 100 011'
close_window "$win"
wait_exit "$deadline"
[ "$code" = 0 ] || fail "valgrind: exit code $code"
echo "npot valgrind: ok"
