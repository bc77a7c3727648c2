#!/usr/bin/env bash
# Each match played is kept in a file of its own, which replays from its own start with its
# own avatars; after a restart R lists them, Space watches it in the window (the
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
# a second match, player 1 in his next avatar: it is kept in a file of its own
hold_until space "colour screen again" 'tint now 24 177 100' 'tint now 364 177 100'
xdotool key f
hold_until space "second match" 'tint now 252 380 010' 'tint now 30 370 111'
hold_until Escape "pause menu again" 'tint now 300 100 011'
to_main_menu
close_window "after the matches"
all_kept=$(ls "$folder")
[ "$(echo "$all_kept" | wc -l)" = 2 ] || fail "not one file a match: $all_kept"
kept=$(echo "$all_kept" | tail -1)
# each runs on its own from the state its match started from, with its own avatars
for name in $all_kept; do
  "$replay" --recording "$folder/$name" >"$work/$name.dump" || fail "$name does not run"
  grep -qx "move 0" "$work/$name.dump" || fail "$name does not end in the menu"
done
first=$(echo "$all_kept" | head -1)
grep -qx "frame 0" "$work/$first.dump" && fail "$first has no frames"
grep -qx "player\[2\]\.color 2" "$work/$first.dump" || fail "$first: not its avatars"
colour1() { sed -n 's/^player\[1\]\.color //p' "$work/$1.dump"; }
[ "$(colour1 "$first")" != "$(colour1 "$kept")" ] ||
  fail "both matches kept with player 1's first avatar"

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
# a match after the watch plays on the game's own arena, not the recording's: the central
# pillar stands
hold_until space "colour screen after the watch" 'tint now 24 177 100'
hold_until space "a match after the watch" 'tint now 252 380 010' 'wall_at 10 6'
hold_until Escape "pause menu after the watch" 'tint now 300 100 011'
to_main_menu
close_window "after the watch"
# the watch itself kept nothing; the match after it is the third file
[ "$(ls "$folder" | head -2)" = "$all_kept" ] && [ "$(ls "$folder" | wc -l)" = 3 ] ||
  fail "kept now: $(ls "$folder")"
echo "menu recordings: ok"
