#!/usr/bin/env bash
# An arena made in the editor by keys alone: T on the main menu, the cursor moved, sized and
# a 2 x 3 wall placed at (12, 5); saved as "moja-1" under the player's data folder; tried
# against the computer, where the wall's top is drawn at (12, 6) and the described arena's
# pillar at (9, 5) is grass; back in the editor after the match, cleared, and opened again
# from the folder's list with the wall in place. With KORVALEN_SCREENSHOTS set the editor is kept
# there as editor.png (editor_en.png with EDITOR_LANG=en).
set -u
source "$(dirname "$0")/game_lib.bash"
export XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state

# The editor's field on the 1280 x 1024 picture: a cell is 26 units of the 640 x 480 text
# space, the field's left (x = -0.5) at 40 and its top (y = 12) at 36.
ed_x() { awk -v c="$1" 'BEGIN { printf "%d", 2 * (40 + (c + 0.5) * 26) }'; }
ed_y() { awk -v c="$1" 'BEGIN { printf "%d", 1024 / 480 * (36 + (12 - c) * 26) }'; }
# Mean colour of a few pixels: "r g b".
mean() {
  convert "$work/now.png" -crop "$3x$4+$1+$2" +repage \
    -format '%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]' info:
}
# Whether the cursor's frame (light blue moving, near white sizing) runs along the left side
# of cell ($1, $2), and along the right side of cell ($3, $2) when given.
cursor_at() {
  local r g b x
  for x in "$(($(ed_x "$1") + 1))" ${3:+"$(($(ed_x $(($3 + 1))) - 5))"}; do
    read -r r g b < <(mean "$x" "$(($(ed_y "$2") - 30))" 3 20)
    seen="($r, $g, $b) at the cursor's side in cell ($1, $2)"
    [ "$g" -ge 200 ] && [ "$b" -ge 200 ] || return 1
    [ "${sizing:-}" ] && { [ "$r" -ge 200 ] || return 1; }
    [ "${sizing:-}" ] || { [ "$r" -le 120 ] || return 1; }
  done
}
# Whether the middle of editor cell ($1, $2) shows a wall's brown.
ed_wall() {
  local r g b
  read -r r g b < <(mean "$(($(ed_x "$1") + 20))" "$(($(ed_y "$2") - 34))" 10 10)
  seen="($r, $g, $b) in editor cell ($1, $2)"
  [ "$r" -ge 110 ] && [ "$g" -ge 90 ] && [ "$b" -ge 60 ] && [ "$r" -gt "$g" ]
}
# Whether the name typed shows its character $1 (0 first) in the line "Meno: ...".
typed() {
  lit now $((2 * (40 + 10 * (6 + $1)))) $((1024 * 400 / 480)) 20 22
}
step() { hold_until "$1" "$2" "${@:3}"; }

start_x 1280x1024x24
make_tree
open_game "$work/tree" ${EDITOR_LANG:+--lang "$EDITOR_LANG"}
xdotool mousemove 640 512
shows "main menu" 'tint now 300 100 011'
step t "the editor" 'tint now 60 10 110' 'cursor_at 0 0'
for x in $(seq 1 12); do step Right "cursor at $x" "cursor_at $x 0"; done
for y in $(seq 1 5); do step Up "cursor at 12, $y" "cursor_at 12 $y"; done
sizing=1
step Tab "sizing" 'cursor_at 12 5'
step Right "2 wide" 'cursor_at 12 5 13'
step Up "2 deep" 'cursor_at 12 6 13'
step Up "3 deep" 'cursor_at 12 7 13'
sizing=""
step Tab "moving" 'cursor_at 12 5'
step space "the wall" 'ed_wall 12 5' 'ed_wall 13 7' '! ed_wall 14 5' '! ed_wall 12 8'
[ -n "${KORVALEN_SCREENSHOTS:-}" ] && cp "$work/now.png" "$KORVALEN_SCREENSHOTS/editor${EDITOR_LANG:+_$EDITOR_LANG}.png"
step u "naming" 'tint now 40 400 110'
i=0
for key in m o j a minus 1; do
  step "$key" "typed $key" "typed $i"
  i=$((i + 1))
done
saved=$XDG_DATA_HOME/korvalen/arenas/moja-1.txt
step Return "saved" "[ -f '$saved' ]" '! tint now 40 400 110'
expected=$'0\n-100\n-100\n-1\n-1\n1\n12\n5\n2\n3'
[ "$(awk '{print $1}' "$saved" | grep -v '^$')" = "$expected" ] ||
  fail "the file saved: $(cat "$saved")"
# the same name again is asked about, and kept on Esc
step u "naming again" 'tint now 40 400 110'
step Return "asked" 'tint now 40 374 100'
step Escape "not overwritten" '! tint now 40 374 100'
step Escape "back to the field" '! tint now 40 400 110'

step p "tried against the computer" 'tint now 252 380 010' 'tint now 30 370 111'
shows "the editor's wall in the match" 'wall_at 12 6' '! wall_at 9 5'
step Escape "pause menu" 'tint now 300 100 011'
to_main_menu_from_pause() {
  hold_until Down "pause Nastavenia" 'tint now 270 130 011'
  hold_until Down "End" 'tint now 300 160 011'
  hold_until space "back in the editor" 'tint now 60 10 110' 'ed_wall 12 5'
}
to_main_menu_from_pause
step c "cleared" '! ed_wall 12 5'
step o "listed" 'tint now 40 50 011'
step space "opened again" 'ed_wall 12 5' 'ed_wall 13 7' '! ed_wall 14 5'
step Escape "main menu" 'tint now 300 100 011'
close_window "close"
echo "editor: ok"
