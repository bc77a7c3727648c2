#!/usr/bin/env bash
# Closing the window or SIGTERM ends the game with 0; no other client can make the window
# larger than the screen, and a window manager started later takes sizing over. A 1024 x 768
# screen has no full-screen mode of the game's size: Yes gives a 1280 x 1024 window, No ends
# with 1.
# Under a window manager the window's outer size, frame and all, is 1280 x 1024.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"

menu_up() { shows "main menu" 'tint now 300 100 011'; }

start_x 1280x1024x24
start_game "$root"
win=$(find_window Korvalen) || fail "no game window"
menu_up
# No window manager holds the window to its largest size here, so another client's resize
# must never land: the GL would size its buffers to it (gigabytes at 32767 x 32767, or a
# crash). xdotool waits for the server, so the size read next is the one the GL would see.
for _ in 1 2 3; do
  xdotool windowsize "$win" 32767 32767
  geometry=$(xwininfo -id "$win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  [ "$geometry" = 1280x1024 ] || fail "another client made the window $geometry"
done
menu_up
peak=$(awk '/VmHWM/{print $2}' "/proc/$game_pid/status")
[ "${peak:-0}" -lt 300000 ] || fail "the game grew to $peak kB after the resizes"
close_window "$win"
wait_exit "$deadline"
[ "$code" = 0 ] || fail "closing the window: expected exit code 0, got $code"

start_game "$root"
find_window Korvalen >/dev/null || fail "no game window"
menu_up
kill -TERM "$game_pid"
wait_exit "$deadline"
[ "$code" = 0 ] || fail "SIGTERM: expected exit code 0, got $code"

stop_pid "$xvfb_pid"

# 1024 x 768, answer Yes.
start_x 1024x768x24
start_game "$root"
box=$(find_window "Tarvo GL") || fail "no full-screen question"
answer_box "$box" Return
box=$(find_window UPOZORNENIE) || fail "no UPOZORNENIE notice after Yes"
answer_box "$box" Return
win=$(find_window Korvalen) || fail "no window after Yes"
geometry=$(xwininfo -id "$win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
[ "$geometry" = 1280x1024 ] || fail "windowed fallback is $geometry, not 1280x1024"
# A window manager started now takes over sizing: the game stops answering resizes
# itself, or the two would pass each resize back and forth for ever.
# Openbox sizes the window as it takes it over, so the resize is asked again until it holds.
start_wm
end=$((SECONDS + deadline))
until xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null | grep -q =; do
  [ $SECONDS -lt $end ] || fail "the late window manager never framed the window"
  sleep 0.1
done
until xwininfo -id "$win" | grep -q "Width: 800"; do
  [ $SECONDS -lt $end ] || fail "under a late window manager the window never became 800 wide"
  xdotool windowsize "$win" 800 600
  sleep 0.2
done
close_window "$win"
wait_exit "$deadline"
[ "$code" = 0 ] || fail "closing the fallback window: expected 0, got $code"
stop_pid "$wm_pid"

# 1024 x 768, answer No.
start_game "$root"
box=$(find_window "Tarvo GL") || fail "no full-screen question"
answer_box "$box" Escape
box=$(find_window OZNAM) || fail "no OZNAM notice after No"
xwininfo -root -children | grep -qF ' "Korvalen": ' && fail "a game window opened after No"
answer_box "$box" Return
wait_exit "$deadline"
[ "$code" = 1 ] || fail "No to the question: expected exit code 1, got $code"
stop_pid "$xvfb_pid"

# 1600 x 1200 under openbox, answer Yes: the frame and all are 1280 x 1024, so the whole
# window fits a 1280 x 1024 screen. Openbox tells its borders only once the window shows.
start_x 1600x1200x24
start_wm
start_game "$root"
box=$(find_window "Tarvo GL" 20) || fail "openbox: no full-screen question"
answer_box "$box" Return
box=$(find_window UPOZORNENIE 10) || fail "openbox: no UPOZORNENIE notice after Yes"
answer_box "$box" Return
win=$(find_window Korvalen 20) || fail "openbox: no window after Yes"
end=$((SECONDS + deadline))
while [ $SECONDS -lt $end ]; do
  read -r l r t b < <(xprop -id "$win" _NET_FRAME_EXTENTS | tr -dc '0-9 ')
  outer=$(xwininfo -id "$win" | awk -v l="$l" -v r="$r" -v t="$t" -v b="$b" \
    '/Width:/{w=$2} /Height:/{h=$2} END{print w + l + r "x" h + t + b}')
  [ -n "$t" ] && [ "$outer" = 1280x1024 ] && break
  sleep 0.2
done
[ -n "$t" ] || fail "openbox: no _NET_FRAME_EXTENTS"
[ "$outer" = 1280x1024 ] || fail "openbox: the framed window is $outer, not 1280x1024"
echo "window: ok (under openbox, borders $l $r $t $b, outer size $outer)"
