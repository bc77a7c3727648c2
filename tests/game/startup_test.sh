#!/usr/bin/env bash
# Failed starts: missing images (one never drawn, the first, the font's, the last),
# broken images (empty, cut off, an unknown header size, a folder, a pipe or
# /dev/zero in an image's place) and no display. Each ends with exit code 1 after
# exactly its messages and the reason, never with a crash or a hang.
# KORVALEN_BOXES=stderr leaves out the boxes; their lines go to stderr anyway.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_BOXES=stderr

# Starts the game on the scratch tree and expects exit code 1 with exactly these
# lines (blank lines aside) on standard error.
expect_failed_start() {
  local what=$1
  shift
  start_game "$work/tree"
  wait_exit "$deadline"
  [ "$code" = 1 ] || fail "$what: expected exit code 1, got $code"
  printf '%s\n' "$@" "${failed[@]}" >"$work/want"
  grep -v '^$' "$work/stderr" >"$work/got"
  diff -u "$work/want" "$work/got" >&2 || fail "$what: wrong messages"
}
failed=("korvalen: ERROR: Initialization Failed."
  "korvalen: reason: could not read every image in Data")

start_x 1280x1024x24
for f in world/waal1.bmp texture/1.bmp system/Font.bmp system/001.bmp; do
  make_tree
  rm "$work/tree/Data/$f"
  expect_failed_start "missing $f"
done

make_tree
: >"$work/tree/Data/avatar/03.bmp"
expect_failed_start "empty image" "korvalen: Error: Failed to open DIB file Data/avatar/03.bmp."

make_tree
head -c 100 "$root/Data/world/grass.bmp" >"$work/tree/Data/world/grass.bmp"
expect_failed_start "cut-off image" "korvalen: Error: Image file conversion error."

make_tree
# The info header's size, bytes 14 to 17, says 20: no header kind the reader knows.
printf '\x14\x00\x00\x00' | dd of="$work/tree/Data/texture/n_hrot.bmp" bs=1 seek=14 conv=notrunc status=none
expect_failed_start "header size 20" "korvalen: Error: Unknown DIB file format."

# Names that are not regular files count as files that cannot be opened: never a wait.
make_tree
rm "$work/tree/Data/texture/n_dole.bmp"
mkdir "$work/tree/Data/texture/n_dole.bmp"
expect_failed_start "a folder for an image" \
  "korvalen: Error: Failed to open DIB file Data/texture/n_dole.bmp."
rmdir "$work/tree/Data/texture/n_dole.bmp"
mkfifo "$work/tree/Data/texture/n_dole.bmp"
expect_failed_start "a pipe for an image" \
  "korvalen: Error: Failed to open DIB file Data/texture/n_dole.bmp."

make_tree
ln -sf /dev/zero "$work/tree/Data/world/way.bmp"
expect_failed_start "/dev/zero for an image" \
  "korvalen: Error: Failed to open DIB file Data/world/way.bmp."

(unset DISPLAY; cd "$root" && exec "$game") >"$work/stdout" 2>"$work/stderr" &
game_pid=$!
wait_exit "$deadline"
[ "$code" = 1 ] || fail "no display: expected exit code 1, got $code"
grep -qx "korvalen: ERROR: Failed To Register The Window Class." "$work/stderr" ||
  fail "no display: no window class message"
grep -q "^korvalen: reason: ." "$work/stderr" || fail "no display: no reason"
echo "startup: ok"
