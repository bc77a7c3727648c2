#!/usr/bin/env bash
# A match played is kept: after a restart R lists it, Space watches it in the window (the
# title names the file, the watch line shows where it stands of the whole), and Esc returns
# to the main menu as it stood.
set -u
source "$(dirname "$0")/game_lib.bash"
export XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
folder=$XDG_DATA_HOME/korvalen/recordings

start_x 1280x1024x24
open_game "$root"
xdotool mousemove 640 512
shows "main menu" 'tint now 300 100 011'
hold_until c "the computer's level" 'tint now 200 30 110'
hold_until space "colour screen" 'tint now 364 177 100'
hold_until space "match" 'tint now 252 380 010' 'tint now 30 370 111'
hold_until Escape "pause menu" 'tint now 300 100 011'
to_main_menu
close_window "after the match"
kept=$(ls "$folder")
[ -n "$kept" ] || fail "no match kept"

open_game "$root"
shows "main menu again" 'tint now 300 100 011'
hold_until r "recordings" 'tint now 250 30 110' 'tint now 40 80 011'
xdotool key space
find_window "Korvalen - $kept" >/dev/null || fail "no window titled with the recording"
shows "the watch line" 'tint now 400 455 110' '! tint now 250 30 110'
xdotool key Escape
find_window "Korvalen" >/dev/null || fail "the title did not come back"
shows "the main menu after the watch" 'tint now 300 100 011' '! tint now 250 30 110' \
  '! tint now 400 455 110'
# the session watched nothing of its own: it had no match, so nothing more is kept
close_window "after the watch"
[ "$(ls "$folder")" = "$kept" ] || fail "kept now: $(ls "$folder")"
echo "menu recordings: ok"
