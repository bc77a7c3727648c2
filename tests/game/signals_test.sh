#!/usr/bin/env bash
# Signals end the game only through its own shut-down, and quickly: SIGPIPE and the user
# and alarm signals change nothing in a match, SIGHUP ends it with 0, SIGTERM after a
# flood of 100 000 key events ends the game within a second. A message box goes with its
# game: SIGTERM ends both within a second (stderr closed too), SIGKILL leaves no box
# process behind, and the box process keeps none of the game's signal handling. --help
# and --version fail when their text cannot be written.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Whether process $1 is gone (a zombie no one reaps counts as gone).
gone() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null)
  [ -z "$state" ] || [ "${state:0:1}" = Z ]
}
# Sends signal $1 to the game; fails unless it ends within a second with exit code $2.
ends_in_a_second() {
  local start
  start=$(now_ms)
  kill -"$1" "$game_pid"
  while kill -0 "$game_pid" 2>/dev/null; do
    [ $(($(now_ms) - start)) -lt 1000 ] || fail "SIG$1: the game still runs after a second"
    sleep 0.02
  done
  wait "$game_pid"
  code=$? game_pid=""
  [ "$code" = "$2" ] || fail "SIG$1: expected exit code $2, got $code"
}
# Fails unless every process in $1 is gone and no box window is left, within a second.
box_gone() {
  local end=$(($(now_ms) + 1000)) pid
  for pid in $1; do
    until gone "$pid"; do [ "$(now_ms)" -lt $end ] || fail "$2: box process $pid left"; done
  done
  until ! xwininfo -root -tree | grep -qF '"ERROR": '; do
    [ "$(now_ms)" -lt $end ] || fail "$2: the box is still on screen"
  done
}
# Waits for the box of the failed start and prints its process.
box_up() {
  find_window ERROR >/dev/null || fail "$1: no box"
  pgrep -P "$game_pid" || fail "$1: no box process"
}

# --help and --version succeed only when their text was written.
"$game" --help >/dev/full 2>"$work/err"
[ $? = 1 ] && grep -q "^korvalen: could not write to standard output: " "$work/err" ||
  fail "--help to a full disk: expected exit code 1 and the reason"
"$game" --version >&- 2>&-
[ $? = 1 ] || fail "--version with standard output closed: expected exit code 1"

start_x 1280x1024x24
make_tree
start_game "$work/tree" --speed 1
find_window Korvalen >/dev/null || fail "no game window"
into_match
for s in PIPE USR1 USR2 ALRM; do kill -$s "$game_pid"; done
shows "the match after SIGPIPE, SIGUSR1, SIGUSR2 and SIGALRM" 'tint now 252 380 010'
ends_in_a_second HUP 0

start_game "$work/tree"
shows "main menu" 'tint now 300 100 011'
flood 100000 e f k j
ends_in_a_second TERM 0

rm "$work/tree/Data/world/waal1.bmp"
(cd "$work/tree" && exec "$game") >/dev/null 2>&- &
game_pid=$!
box=$(box_up "stderr closed")
[ "$(awk '/^SigIgn/ {print $2}' "/proc/$box/status")" = 0000000000000000 ] ||
  fail "the box process ignores the signals the game ignores"
ends_in_a_second TERM 1
box_gone "$box" "SIGTERM with stderr closed"

start_game "$work/tree"
box=$(box_up "SIGKILL")
kill -KILL "$game_pid"
wait "$game_pid" 2>/dev/null
game_pid=""
box_gone "$box" "SIGKILL"
echo "signals: ok"
