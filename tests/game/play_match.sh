#!/usr/bin/env bash
# One session of the real game: speed 3 from the main menu; player 1 walks (each place
# reached by walking until a wall or the edge stops him), takes the bow at (3, 3) and shoots
# player 2 from the top edge; the description, the credits, End and Exit with 0.
# Usage: play_match.sh GAME_BINARY REPOSITORY_ROOT (KORVALEN_SCREENSHOTS=DIR keeps each screen)
set -u
source "$(dirname "$0")/game_lib.bash"

keep() { [ -z "${KORVALEN_SCREENSHOTS:-}" ] || cp "$work/now.png" "$KORVALEN_SCREENSHOTS/$1.png"; }

# Window pixel of a field x or y at a player's top (z = 1), 19 units from the eye.
field_px() { awk -v v="$1" 'BEGIN { printf "%d", 640 * (1 + (v - 10) * 2.41421 / 1.25 / 19) }'; }
field_py() { awk -v v="$1" 'BEGIN { printf "%d", 512 * (1 - (v - 4) * 2.41421 / 19) }'; }
# Whether the topmost red or blue (the grass is pure green) in the column through field x $1
# starts at or above field y $2 at a player's top: a player in that column reaches y $2.
reaches() {
  local top
  top=$(convert "$work/now.png" -crop "1x760+$(field_px "$1")+0" +repage txt:- |
    awk -F'[:,() ]+' 'NR > 1 && ($3 > 60 || $5 > 60) { print $2; exit }')
  seen="column $1 starts at row ${top:-none}"
  [ -n "$top" ] && [ "$top" -le "$(field_py "$2")" ]
}

# The real map's buildings with the north wall taken out of the top lane, an unseen
# record 0 over player 1's column (x -1 to 0, y 4 to 5) that stops him at y 2.9 to 3,
# and a block at x 5 to 6, y 3 to 4 that stops him, one row up, at x 3.9 to 4.
printf '%s\n' 0 -1 4 1 1  1 9 5 2 2  1 5 6 1 4  1 15 2 1 4  1 8 1 4 1  1 5 3 1 1 \
  1 2 8 1 1  1 18 3 1 1 >"$work/map.txt"
make_tree "$work/map.txt"
start_x 1280x1024x24
open_game "$work/tree"
xdotool mousemove 640 512

arrows_x=$(field_px 1.5) arrows_y=$(field_py -2.8)  # the panel's first arrow icon

shows "main menu" 'tint now 200 10 110' 'tint now 300 100 011' 'tint now 270 130 111'
keep main_menu
hold_until Down "Nastavenia" 'tint now 270 130 011'
xdotool keydown space
hold_until 3 "speed 3" 'tint now 250 220 101'
xdotool keyup space
keep speed_screen
hold_until Escape "menu after speed" 'tint now 270 130 011' '! tint now 250 220 101'
hold_until Up "New" 'tint now 300 100 011'
hold_until space "colour screen" 'tint now 24 177 100' '! tint now 300 100 011'
keep colour_screen
hold_until space "match" 'tint now 252 380 010' 'tint now 30 370 111'

# Up the left edge until the unseen record stops him at y 2.9 (his top at 3.9) ...
hold_until e "player 1 at the unseen wall" 'reaches 0.5 3.6'
# ... right over the bow, which he takes, until the block stops him at x 3.9 ...
hold_until f "player 1 at the block" 'lit now $arrows_x $arrows_y 4 4' 'reaches 4.4 3.6'
# ... up to the top edge (y 10.9 to 11), level with player 2 (y 10.5 to 11.5) ...
hold_until e "player 1 at the top edge" 'reaches 4.4 11.5'
# ... and a few steps right, so he faces player 2.
hold_until f "player 1 facing right" '! reaches 4.4 11.5'
hold_until a "the hit" 'tint now 162 400 010' 'tint now 517 400 100'
keep play

hold_until h "description" 'tint now 100 30 110'
keep description
hold_until Escape "match after the description" 'tint now 252 380 010' '! tint now 100 30 110'
hold_until Escape "pause menu" 'tint now 300 100 011' 'tint now 300 160 111'
keep pause_menu
hold_until i "credits" 'tint now 350 60 011'
keep credits
hold_until Escape "pause menu after the credits" 'tint now 300 100 011' '! tint now 350 60 011'
end_and_exit
ends_with 0 "Exit"
echo "play_match: ok"
