#!/usr/bin/env bash
# Keys and signals as a hostile or broken machine sends them: taps with no hold, floods of
# key events, stray signals, quit signals in a flood and under a message box (which goes
# with its game); --help and --version fail when their text cannot be written.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"

# Whether the pause menu ("Return" in cyan) is up.
pause_up() { [ "$(count_colour now cyan 80x40+600+213)" -gt 20 ]; }
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

"$game" --help >/dev/full 2>"$work/err"
[ $? = 1 ] && grep -q "^korvalen: could not write to standard output: " "$work/err" ||
  fail "--help to a full disk: expected exit code 1 and the reason"
"$game" --version >&- 2>&-
[ $? = 1 ] || fail "--version with standard output closed: expected exit code 1"

start_x 1280x1024x24
make_tree
: >"$work/tree/s_1.txt"  # an open field: a key left down walks a player off his corner
open_game "$work/tree" --speed 1  # the match must outlast the test
into_match
for i in $(seq 1 10); do
  xdotool key Escape  # a tap with no hold
  shows "the pause menu after tap $i of Escape" 'pause_up'
  hold_until space "the match again after tap $i" '! pause_up'
done

flood 10000 e f k j  # both players' keys away from their corners
hold_until Escape "the pause menu after the flood" 'pause_up'
hold_until space "the match after the flood" '! pause_up'
shot before
sleep 3  # the field must stay still for a while: no key is down
shot after
moved=$(compare -metric AE -fuzz 10% -crop 1280x770+0+0 "$work/before.png" "$work/after.png" null: 2>&1)
[ "$moved" -lt 500 ] || fail "a key stayed down after the flood ($moved pixels changed)"

for s in PIPE USR1 USR2 ALRM; do kill -$s "$game_pid"; done
shows "the match after SIGPIPE, SIGUSR1, SIGUSR2 and SIGALRM" 'tint now 252 380 010'
flood 100000 e f k j
ends_in_a_second HUP 0

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
echo "input: ok"
