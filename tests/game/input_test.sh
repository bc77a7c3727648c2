#!/usr/bin/env bash
# Keys and signals as a hostile or broken machine sends them: taps, key floods, stray
# signals, quit signals in a flood and under a message box (which goes with its game, its
# lines on stderr while up); --help and --version fail when their text cannot be written.
set -u
source "$(dirname "$0")/game_lib.bash"

# Taps keys $2... $1 times in all through XTest, as fast as the server takes them.
flood() {
  [ -x "$work/flood" ] || c++ -x c++ -o "$work/flood" - -lX11 -lXtst <<'CODE'
#include <X11/Xlib.h>
#include <cstdlib>
extern "C" int XTestFakeKeyEvent(Display*, unsigned, int, unsigned long);
int main(int argc, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  for (long i = 0; d && i < atol(argv[1]); i++) {
    KeyCode k = XKeysymToKeycode(d, XStringToKeysym(argv[2 + i % (argc - 2)]));
    XTestFakeKeyEvent(d, k, True, 0), XTestFakeKeyEvent(d, k, False, 0);
  }
  return d ? XSync(d, False), XCloseDisplay(d) : 1;
}
CODE
  "$work/flood" "$@" || fail "no flood"
}
# Fails unless box process $1 goes (or is an unreaped zombie), its window too.
box_gone() {
  wait_for "$2: box process $1 left" "! ps -o stat= -p $1 | grep -qv '^Z'"
  wait_for "$2: the box is still on screen" "! xwininfo -root -tree | grep -qF '\"ERROR\": '"
}
# Whether the panel's match clock has changed its figure $1 times since the first call
# (at speed level 1 a figure stands for 1000 frames, in which a walking archer crosses a cell).
clock_turned() {
  shot now
  convert "$work/now.png" -crop 400x70+380+860 +repage "$work/clock.png"
  if [ ! -e "$work/last_clock.png" ] ||
    [ "$(compare -metric AE "$work/last_clock.png" "$work/clock.png" null: 2>&1)" != 0 ]; then
    [ -e "$work/last_clock.png" ] && turns=$((turns + 1))
    mv "$work/clock.png" "$work/last_clock.png"
  fi
  [ "$turns" -ge "$1" ]
}
# Waits for the box of the failed start and prints its processes.
box_up() {
  find_window ERROR >/dev/null || fail "$1: no box"
  pgrep -d, -P "$game_pid" || fail "$1: no box process"
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
  shows "the pause menu after tap $i of Escape" 'tint now 300 100 011'
  hold_until space "the match again after tap $i" '! tint now 300 100 011'
done

flood 10000 e f k j  # both players' keys away from their corners
hold_until Escape "the pause menu after the flood" 'tint now 300 100 011'
hold_until space "the match after the flood" '! tint now 300 100 011'
shot before
turns=0  # the archers must stay put for 1000 steps or more: no key is down
wait_for "the match clock stood still" 'clock_turned 2'
shot after
# Each archer's corner, where a key left down would walk him out (bows that drop meanwhile
# land elsewhere on the field, almost always).
for corner in 160x150+0+620 160x150+1120+0; do
  moved=$(compare -metric AE -fuzz 10% -extract "$corner" "$work/before.png" "$work/after.png" null: 2>&1)
  [ "$moved" -lt 300 ] || fail "a key stayed down after the flood ($moved pixels changed at $corner)"
done

for s in PIPE USR1 USR2 ALRM; do kill -$s "$game_pid"; done
shows "the match after SIGPIPE, SIGUSR1, SIGUSR2 and SIGALRM" 'tint now 252 380 010'
flood 100000 e f k j
kill -HUP "$game_pid"  # the game must end within a second, the flood still queued
ends_with 0 "SIGHUP during the flood"

# 60 000 pad mappings (6.8 MB): the first 5000 are read and the rest refused with a line,
# and SIGTERM as soon as the window shows ends the game with 0.
awk 'BEGIN { for (i = 0; i < 60000; i++) printf "03000000%024x,Pad %d,a:b0,b:b1,back:b6,\
dpdown:h0.4,dpleft:h0.8,dpright:h0.2,dpup:h0.1,start:b7,x:b2,y:b3,platform:Linux,\n", i, i }' \
  >"$work/tree/gamecontrollerdb.txt"
open_game "$work/tree" --window
grep -q "gamecontrollerdb.txt: only its first 5000 mappings are read" "$work/stderr" ||
  fail "60 000 pad mappings: no line that only 5000 were read"
kill -TERM "$game_pid"
ends_with 0 "SIGTERM after 60 000 pad mappings"
rm "$work/tree/gamecontrollerdb.txt"

rm "$work/tree/Data/world/waal1.bmp"
(cd "$work/tree" && exec "$game") >/dev/null 2>&- &
game_pid=$!
box=$(box_up "stderr closed")
[ "$(awk '/^SigIgn/ {print $2}' "/proc/$box/status")" = 0000000000000000 ] ||
  fail "the box process ignores the signals the game ignores"
kill -TERM "$game_pid"
ends_with 1 "SIGTERM under the box"
box_gone "$box" "SIGTERM with stderr closed"

start_game "$work/tree"
box=$(box_up "SIGKILL")
grep -A1 -x "korvalen: ERROR: Initialization Failed." "$work/stderr" |
  grep -q "^korvalen: reason: could not read Data/world/waal1.bmp in /.*: missing$" ||
  fail "a box: its line and the reason are not on stderr while it is up"
kill -KILL "$game_pid"
wait "$game_pid" 2>/dev/null
game_pid=""
box_gone "$box" "SIGKILL"
echo "input: ok"
