#!/usr/bin/env bash
# The picture keeps its 5:4 shape in any window: on a 1900 x 1000 screen, which has no
# full-screen mode of the game's size, --window opens a 1250 x 1000 window without the
# full-screen question; made 1900 x 1000 and 1000 x 1000, the status panel's text lies where
# the centred 5:4 picture puts it and the bars beside or above and below it are black. Alt+Enter
# and F11 switch the paused match to full screen and back to the same window, and the match
# goes on exactly where it was.
# Args: the game binary, the repository root.
set -u
source "$(dirname "$0")/game_lib.bash"

# The window's size as the X server has it.
size() { xwininfo -id "$win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }
# Asks for the window size $1 x $2 until it holds.
resize() {
  local end=$((SECONDS + deadline))
  until [ "$(size)" = "$1x$2" ]; do
    [ $SECONDS -lt $end ] || fail "the window never became $1 x $2 (it is $(size))"
    xdotool windowsize "$win" "$1" "$2"
    sleep 0.2
  done
}
# The picture on a screen of $1 x $2 at the window's corner: as large as fits, centred.
picture_in() {
  if [ $(($1 * 4)) -ge $(($2 * 5)) ]; then
    picture=($((($1 - $2 * 5 / 4) / 2)) 0 $(($2 * 5 / 4)) "$2")
  else
    picture=(0 $((($2 - $1 * 4 / 5) / 2)) "$1" $(($1 * 4 / 5)))
  fi
}
# Whether the parts of a w x h window beside the picture are black.
bars_black() {
  local x=${picture[0]} y=${picture[1]} pw=${picture[2]} ph=${picture[3]}
  if [ "$x" -gt 0 ]; then
    ! lit now 0 0 "$x" "$ph" && ! lit now $((x + pw)) 0 "$x" "$ph"
  else
    ! lit now 0 0 "$pw" "$y" && ! lit now 0 $((y + ph)) "$pw" "$y"
  fi
}
# The panel's rating and time labels where the picture puts them, and black bars.
panel_in_place() {
  shows "$1" 'tint now 252 380 010' 'tint now 30 370 111' 'bars_black'
}
# The pause menu with Nastavenia highlighted, and black bars.
paused_in_place() {
  shows "$1" 'tint now 270 130 011' 'tint now 300 100 111' 'bars_black'
}
# The field of the match in a screenshot, without the panel, as $2.png.
field() { convert "$work/$1.png" -crop "${picture[2]}x$((picture[3] * 3 / 4))+${picture[0]}+${picture[1]}" +repage "$work/$2.png"; }

start_x 1900x1000x24
make_tree
start_game "$work/tree" --window --speed 1
win=$(find_window Korvalen) || fail "--window: no game window"
xdotool mousemove 600 500
picture_in 1250 1000
shows "--window: the main menu" 'tint now 300 100 011'
xwininfo -root -tree | grep -qF '"Tarvo GL"' && fail "--window asked the full-screen question"
[ "$(size)" = 1250x1000 ] || fail "--window on 1900 x 1000: the window is $(size), not 1250x1000"
into_match
for s in "1900 1000" "1000 1000"; do
  resize $s
  picture_in $s
  panel_in_place "the panel at ${s/ / x }"
done

shot playing
field playing before
hold_until Escape "the pause menu" 'tint now 300 100 011'
hold_until Down "Nastavenia in the pause menu" 'tint now 270 130 011'
for k in alt+Return F11; do
  xdotool key "$k"
  picture_in 1900 1000
  paused_in_place "the pause menu in full screen after $k"
  xdotool key "$k"
  picture_in 1000 1000
  paused_in_place "the pause menu back in the window after $k"
  [ "$(size)" = 1000x1000 ] || fail "after $k twice the window is $(size), not 1000x1000"
done
hold_until Up "Return in the pause menu" 'tint now 300 100 011'
hold_until space "the match again" 'tint now 252 380 010'
field now after
moved=$(compare -metric AE -fuzz 10% "$work/before.png" "$work/after.png" null: 2>&1)
[ "$moved" -lt 200 ] || fail "the field changed over the switches ($moved pixels)"
close_window "$win"
wait_exit "$deadline"
[ "$code" = 0 ] || fail "closing the window: expected exit code 0, got $code"
echo "window shape: ok"
