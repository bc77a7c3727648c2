#!/usr/bin/env bash
# Failed starts: a missing image, a broken image, no display; each ends with 1
# after its message. KORVALEN_BOXES=stderr prints the boxes as "korvalen: CAPTION: text".
# Args: the game binary, the repository root.
set -u
game=$1
root=$2
source "$(dirname "$0")/window_lib.bash"
export KORVALEN_BOXES=stderr

# A scratch copy of the real images and map, one file changed per case.
make_tree() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"
  cp -r "$root/Data" "$root/s_1.txt" "$work/tree/"
}

start_x 1280x1024x24

# A missing image that is never drawn still stops the start.
make_tree
rm "$work/tree/Data/world/waal1.bmp"
start_game "$work/tree"
wait_exit 30
[ "$code" = 1 ] || fail "missing image: expected exit code 1, got $code"
grep -qx "korvalen: ERROR: Initialization Failed." "$work/stderr" || fail "missing image: no Initialization Failed."
grep -q "^korvalen: Error:" "$work/stderr" && fail "missing image: the reader should say nothing"

# A broken image: first the reader's own message, then the start-up's.
make_tree
printf 'BM\0\0\0\0\0\0\0\0\x36\0\0\0\x63\0\0\0' >"$work/tree/Data/texture/3.bmp"
start_game "$work/tree"
wait_exit 30
[ "$code" = 1 ] || fail "broken image: expected exit code 1, got $code"
[ "$(grep -c . "$work/stderr")" -ge 3 ] || fail "broken image: expected two messages"
grep -n "" "$work/stderr" | grep -q "^[0-9]*:korvalen: Error: Unknown DIB file format.$" ||
  fail "broken image: no reader message"
[ "$(grep -n "Error: Unknown DIB" "$work/stderr" | cut -d: -f1)" -lt \
  "$(grep -n "ERROR: Initialization Failed." "$work/stderr" | cut -d: -f1)" ] ||
  fail "broken image: the messages come in the wrong order"

# No display at all.
(unset DISPLAY; cd "$root" && exec "$game") >"$work/stdout" 2>"$work/stderr" &
game_pid=$!
wait_exit 20
[ "$code" = 1 ] || fail "no display: expected exit code 1, got $code"
grep -qx "korvalen: ERROR: Failed To Register The Window Class." "$work/stderr" ||
  fail "no display: no window class message"
grep -q "^korvalen: reason: ." "$work/stderr" || fail "no display: no reason"
echo "startup: ok"
