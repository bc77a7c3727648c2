#!/usr/bin/env bash
# The game's window on a screen without the game's mode: with --window never larger than it,
# the 5:4 picture where each size puts it, full screen and back (Alt+Enter, F11) with the
# match where it was; with --change-mode the question (No ends with 1, Yes gives 1280 x
# 1024), and a window manager started later takes sizing over.
set -u
source "$(dirname "$0")/game_lib.bash"

# The field of the match in a screenshot, without the panel, as $2.png.
field() { convert "$work/$1.png" -crop "${picture[2]}x$((picture[3] * 3 / 4))+${picture[0]}+${picture[1]}" +repage "$work/$2.png"; }
# Answers the full-screen question with $1 (Return: Yes, Escape: No); box: the notice $2.
answer_question() {
  answer_box "$(find_window "Tarvo GL")" "$1"
  box=$(find_window "$2") || fail "no $2 notice after $1"
}

start_x 1900x1000x24
make_tree
open_game "$work/tree" --window --speed 1 --pace frame  # few steps while a key is polled: no bow drops
xdotool mousemove 600 500
picture=(0 0 1250 1000)
shows "--window: the main menu" 'tint now 300 100 011'
xwininfo -root -tree | grep -qF '"Tarvo GL"' && fail "--window asked the full-screen question"
[ "$(win_size "$win")" = 1250x1000 ] || fail "--window on 1900 x 1000: the window is $(win_size "$win")"
# Without a window manager, another client's resize must stop at the screen, or the GL sizes
# buffers to it (GBs at 32767 x 32767, or a crash). Each round starts smaller, so its answer
# is seen to come, and no size read on the way may be larger than the screen.
resized_to() {
  size=$(win_size "$win")
  [ "${size%x*}" -le 1900 ] && [ "${size#*x}" -le 1000 ] || fail "another client made the window $size"
  [ "$size" = "$1" ]
}
for small in 1100x900 1000x800 900x700; do
  xdotool windowsize "$win" "${small%x*}" "${small#*x}"
  wait_for "the window never became $small" "resized_to $small"
  xdotool windowsize "$win" 32767 32767
  wait_for "the game never answered the resize to 32767 x 32767 (last $size)" "resized_to 1900x1000"
done
picture=(325 0 1250 1000)
into_match
peak=$(awk '/VmHWM/{print $2}' "/proc/$game_pid/status")
[ "${peak:-0}" -lt 300000 ] || fail "the game grew to $peak kB after the resizes"
wait_for "the window never became 1000 x 1000" \
  "[ \$(win_size $win) = 1000x1000 ] || { xdotool windowsize $win 1000 1000; false; }"
picture=(0 100 1000 800)
shows "the panel at 1000 x 1000" 'tint now 252 380 010' 'tint now 30 370 111'

shot playing
field playing before
# Leaving full screen puts the window back where it stood, not in the corner of the screen
# (or of the first display).
win_place() { xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x "," y}'; }
xdotool windowmove "$win" 700 0
wait_for "the window never moved to 700,0" "[ \$(win_place $win) = 700,0 ]"
picture=(700 100 1000 800)
hold_until Escape "the pause menu" 'tint now 300 100 011'
hold_until Down "Nastavenia in the pause menu" 'tint now 270 130 011'
for k in alt+Return F11; do
  xdotool key "$k"
  picture=(325 0 1250 1000)
  shows "the pause menu in full screen after $k" 'tint now 270 130 011' 'tint now 300 100 111'
  xdotool key "$k"
  picture=(700 100 1000 800)
  shows "the pause menu back in the window after $k" 'tint now 270 130 011' 'tint now 300 100 111'
  [ "$(win_size "$win")" = 1000x1000 ] || fail "after $k twice the window is $(win_size "$win")"
  wait_for "after $k twice the window is no longer at 700,0" "[ \$(win_place $win) = 700,0 ]"
done
hold_until Up "Return in the pause menu" 'tint now 300 100 011'
hold_until space "the match again" 'tint now 252 380 010'
field now after
moved=$(compare -metric AE -fuzz 10% "$work/before.png" "$work/after.png" null: 2>&1)
[ "$moved" -lt 200 ] || fail "the field changed over the switches ($moved pixels)"
close_window "closing the window"
stop_pid "$xvfb_pid"

start_x 1600x1200x24
# The switches above were saved as the player's choice (a window): the question comes only
# with the full screen a first start asks for.
rm -rf "$XDG_CONFIG_HOME"
start_game "$root" --change-mode
answer_question Escape OZNAM
xwininfo -root -children | grep -qF ' "Korvalen": ' && fail "a game window opened after No"
answer_box "$box" Return
ends_with 1 "No to the question"

start_game "$root" --change-mode
answer_question Return UPOZORNENIE
answer_box "$box" Return
win=$(find_window Korvalen) || fail "no window after Yes"
[ "$(win_size "$win")" = 1280x1024 ] || fail "windowed fallback is $(win_size "$win"), not 1280x1024"
# A late window manager takes sizing over: the game stops answering resizes, or the two trade
# each for ever. Openbox sizes the window as it takes it, so the resize is asked until it holds.
start_wm
wait_for "the late window manager never framed the window" \
  "xprop -id $win _NET_FRAME_EXTENTS 2>/dev/null | grep -q ="
wait_for "under a late window manager the window never became 800 wide" \
  "xwininfo -id $win | grep -q 'Width: 800' || { xdotool windowsize $win 800 600; false; }"
close_window "closing the fallback window"
stop_pid "$wm_pid"
stop_pid "$xvfb_pid"

# Data no real game holds: on buildings two billion cells wide a match is drawn and played,
# and closing ends with 0 (other bad maps: the map scenarios, tests/logic/map_test.cpp, the
# fuzz target); a 1 x 3 image, scaled before its mipmaps, starts under valgrind cleanly.
export KORVALEN_BOXES=stderr
start_x 1280x1024x24
picture=(0 0 1280 1024)
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

command -v valgrind >/dev/null || { echo "window: ok (no valgrind: the 1 x 3 image skipped)"; exit 0; }
make_tree
convert -size 1x3 gradient:red-blue -type truecolor "BMP3:$work/tree/Data/texture/6.bmp"
wrap="valgrind --error-exitcode=1 --suppressions=$(dirname "$(realpath "$0")")/valgrind.supp"
open_game "$work/tree"
shows "main menu under valgrind" 'tint now 300 100 011'
close_window "valgrind"
echo "window: ok"
