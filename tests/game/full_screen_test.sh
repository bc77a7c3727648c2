#!/usr/bin/env bash
# Full screen without a mode change: a plain start on a 1920 x 1080 display, which has no
# 1280 x 1024 mode, covers it at once and asks nothing: one 1920 x 1080 window, the 5:4
# picture centred with black bars left and right, the display still 1920 x 1080 (the question
# --change-mode asks: settings_test.sh, window_test.sh).
set -u
source "$(dirname "$0")/game_lib.bash"

# Whether a rectangle of the screenshot (x y w h) is black throughout.
black() { ! lit now "$@"; }

start_x 1920x1080x24
open_game "$root"
picture=(285 0 1350 1080)
shows "a plain start on 1920 x 1080: the main menu in the centre" \
  'tint now 300 100 011' 'tint now 200 10 110' 'black 0 0 283 1080' 'black 1637 0 283 1080'
[ "$(win_size "$win")" = 1920x1080 ] || fail "a plain start made a $(win_size "$win") window"
grep -q "Tarvo GL\|UPOZORNENIE" "$work/stderr" && fail "a plain start asked about full screen"
xwininfo -root -tree | grep -q '"Tarvo GL"\|"UPOZORNENIE"' && fail "a plain start showed a box"
[ "$(xdpyinfo | awk '/dimensions:/{print $2}')" = 1920x1080 ] || fail "the display's size changed"
close_window "closing the full-screen window"
echo "full screen: ok"
