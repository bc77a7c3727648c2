#!/usr/bin/env bash
# A match against the computer through the menu alone, keys only: C on the main menu, a
# level, the colour screen names player 2 the computer and shows none of his keys, and in
# the match he walks off his spawn point with no key pressed. Back on the main menu, New is
# a match of two players again. The level chosen is saved.
set -u
source "$(dirname "$0")/game_lib.bash"
export XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state

# Whether player 2's spawn point (window pixels 1250 to 1278, 30 to 85) is bare, green grass.
spawn_bare() {
  local r g b
  read -r r g b < <(maxima now 1250 30 28 55)
  seen="($r, $g, $b) at player 2's spawn point"
  [ "$r" -le 60 ] && [ "$b" -le 60 ]
}

start_x 1280x1024x24
open_game "$root"
xdotool mousemove 640 512
shows "main menu" 'tint now 300 100 011'
hold_until c "the computer's level" 'tint now 200 30 110' 'tint now 250 180 011'
hold_until Down "level 3 picked" 'tint now 250 220 011' '! tint now 250 180 011'
hold_until space "colour screen" 'tint now 24 177 100' 'tint now 364 177 100' \
  '! tint now 364 200 010' 'tint now 24 200 010'
[ "$(cat "$XDG_CONFIG_HOME/korvalen/settings.ini")" = $'[computer]\nlevel = 3' ] ||
  fail "the level was not saved: $(cat "$XDG_CONFIG_HOME/korvalen/settings.ini")"
hold_until space "match" 'tint now 252 380 010' 'tint now 30 370 111'
shows "player 2 off his spawn point" 'spawn_bare'
hold_until Escape "pause menu" 'tint now 300 100 011'
to_main_menu
hold_until space "colour screen of two players" 'tint now 24 177 100' 'tint now 364 177 100' \
  'tint now 364 200 010'
close_window "close"
# the session is kept under its first match's name, and runs to its end
kept=$(ls "$XDG_DATA_HOME/korvalen/recordings")
[[ $kept =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{6}_red-vs-computer$ ]] || fail "kept: '$kept'"
(cd "$root" && "$replay" --recording "$XDG_DATA_HOME/korvalen/recordings/$kept" >/dev/null) ||
  fail "the kept recording does not run"
echo "menu computer: ok"
