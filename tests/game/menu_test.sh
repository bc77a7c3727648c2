#!/usr/bin/env bash
# The main menu on a 1280 x 1024 screen: the title and the three entries in
# their colours, Down moving the highlight, Space on "Exit" ending with 0.
# Args: the game binary, the repository root.
set -u
game=$1
root=$2
source "$(dirname "$0")/window_lib.bash"

start_x 1280x1024x24
start_game "$root"
win=$(find_window Korvalen 20) || fail "no game window"
sleep 3
shot menu.png

# Title yellow, "New" highlighted, the other two white.
[ "$(text_row_count menu.png 200 10 8 yellow)" -ge 40 ] || fail "no yellow title Korvalen"
[ "$(text_row_count menu.png 300 100 3 cyan)" -ge 20 ] || fail "New is not cyan"
[ "$(text_row_count menu.png 270 130 10 white)" -ge 40 ] || fail "Nastavenia is not white"
[ "$(text_row_count menu.png 300 160 4 white)" -ge 20 ] || fail "Exit is not white"
[ "$(text_row_count menu.png 270 130 10 cyan)" -eq 0 ] || fail "Nastavenia highlighted too"
[ "$(text_row_count menu.png 300 160 4 cyan)" -eq 0 ] || fail "Exit highlighted too"

# Down twice: the highlight walks to "Exit".
press Down
press Down
sleep 1
shot exit.png
[ "$(text_row_count exit.png 300 160 4 cyan)" -ge 20 ] || fail "Down, Down did not highlight Exit"
[ "$(text_row_count exit.png 300 100 3 cyan)" -eq 0 ] || fail "New still highlighted"
[ "$(text_row_count exit.png 300 100 3 white)" -ge 20 ] || fail "New not white again"

press space
wait_exit 20
[ "$code" = 0 ] || fail "Space on Exit: expected exit code 0, got $code"
echo "menu: ok"
