#!/usr/bin/env bash
# Broken images at start-up: a missing file in the first, the font's and the last slot,
# an empty file, a cut-off file, a header size of 20, a folder, a pipe or /dev/zero in an
# image's place.
# Each ends the start with exit code 1 after the right messages, never with a crash.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/fault_lib.bash"

# Starts the game on the scratch tree and expects exit code 1 with exactly these lines
# (blank lines aside) on standard error.
expect_failed_start() {
  local what=$1
  shift
  start_game "$work/tree"
  wait_exit 30
  [ "$code" = running ] && fail "$what: the game did not end"
  [ "$code" = 1 ] || fail "$what: expected exit code 1, got $code"
  printf '%s\n' "$@" >"$work/want"
  grep -v '^$' "$work/stderr" >"$work/got"
  diff -u "$work/want" "$work/got" >&2 || fail "$what: wrong messages"
}

start_x 1280x1024x24
failed=("korvalen: ERROR: Initialization Failed."
  "korvalen: reason: could not read every image in Data")

for f in texture/1.bmp system/Font.bmp system/001.bmp; do
  make_tree
  rm "$work/tree/Data/$f"
  expect_failed_start "missing $f" "${failed[@]}"
done

make_tree
: >"$work/tree/Data/avatar/03.bmp"
expect_failed_start "empty image" "korvalen: Error: Failed to open DIB file Data/avatar/03.bmp." \
  "${failed[@]}"

make_tree
head -c 100 "$root/Data/world/grass.bmp" >"$work/tree/Data/world/grass.bmp"
expect_failed_start "cut-off image" "korvalen: Error: Image file conversion error." \
  "${failed[@]}"

make_tree
# The info header's size, bytes 14 to 17, says 20: no header kind the reader knows.
printf '\x14\x00\x00\x00' | dd of="$work/tree/Data/texture/n_hrot.bmp" bs=1 seek=14 conv=notrunc status=none
expect_failed_start "header size 20" "korvalen: Error: Unknown DIB file format." "${failed[@]}"

make_tree
rm "$work/tree/Data/texture/n_dole.bmp"
mkdir "$work/tree/Data/texture/n_dole.bmp"
expect_failed_start "a folder for an image" \
  "korvalen: Error: Failed to open DIB file Data/texture/n_dole.bmp." "${failed[@]}"

make_tree
rm "$work/tree/Data/texture/n_dole.bmp"
mkfifo "$work/tree/Data/texture/n_dole.bmp"
expect_failed_start "a pipe for an image" \
  "Error: Failed to open DIB file Data/texture/n_dole.bmp." "ERROR: Initialization Failed."

make_tree
ln -sf /dev/zero "$work/tree/Data/world/way.bmp"
expect_failed_start "/dev/zero for an image" \
  "Error: Failed to open DIB file Data/world/way.bmp." "ERROR: Initialization Failed."

echo "fault images: ok"
