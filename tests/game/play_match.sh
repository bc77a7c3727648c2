#!/usr/bin/env bash
# One short session of the real game under its own X server: speed 3 from the
# main menu; player 2 walks down to the bottom edge while player 1 walks to the
# bow at (3, 3), picks it up and shoots him; the pause menu, speed 1 and a slow
# arrow in flight, the description and the credits, the match abandoned through
# "End", and "Exit" with exit code 0. Screenshots are checked where the
# projection says each thing must be.
# KORVALEN_SCREENSHOTS=DIR keeps the screenshots of each screen in DIR;
# KORVALEN_PLAY_TO_END=1 plays the match to its end instead of abandoning it.
# Usage: play_match.sh GAME_BINARY REPOSITORY_ROOT
set -u
game=$(realpath "$1")
root=$(realpath "$2")
source "$(dirname "$0")/window_lib.bash"

shot() { import -window root "$work/$1.png" || fail "no screenshot $1"; }
# Keeps a screenshot under its screen's name when KORVALEN_SCREENSHOTS names a folder.
keep() { [ -z "${KORVALEN_SCREENSHOTS:-}" ] || cp "$work/$1.png" "$KORVALEN_SCREENSHOTS/$2.png"; }

# Highest value of each channel in a window rectangle: "r g b".
maxima() {
  convert "$work/$1.png" -crop "$4x$5+$2+$3" +repage \
    -format '%[fx:int(255*maxima.r)] %[fx:int(255*maxima.g)] %[fx:int(255*maxima.b)]' info:
}
# The tint of the text printed at text point (tx, ty): the left part of its
# first glyph, in window pixels of the 640 x 480 text space on 1280 x 1024.
# want is three 0/1 digits: "011" is cyan.
tint() {
  local x=$(($2 * 2)) y=$((($3 + 4) * 1024 / 480))
  read -r r g b < <(maxima "$1" "$x" "$y" 20 34)
  local i=0 v
  for v in $r $g $b; do
    if [ "${4:$i:1}" = 1 ]; then [ "$v" -ge 120 ] || fail "$1: text at ($2, $3) is ($r, $g, $b), want $4"
    else [ "$v" -le 40 ] || fail "$1: text at ($2, $3) is ($r, $g, $b), want $4"; fi
    i=$((i + 1))
  done
}
lit() {
  read -r r g b < <(maxima "$@")
  [ $((r + g + b)) -gt 60 ]
}

# Window pixel of a field x or y at a player's top (z = 1), 19 units from the eye.
field_px() { awk -v v="$1" 'BEGIN { printf "%d", 640 * (1 + (v - 10) * 2.41421 / 1.25 / 19) }'; }
field_py() { awk -v v="$1" 'BEGIN { printf "%d", 512 * (1 - (v - 4) * 2.41421 / 19) }'; }
# Player 1's lower-left corner along one axis, from the first run of pixels with red
# or blue in them (the grass is pure green) in one window column or row through him.
player_at() {
  local name=$1 axis=$2 across=$3 geometry
  if [ "$axis" = y ]; then geometry="1x760+$(field_px "$across")+0"
  else geometry="1280x1+0+$(field_py "$across")"; fi
  convert "$work/$name.png" -crop "$geometry" +repage txt:- | awk -F'[:,() ]+' -v axis="$axis" '
    NR > 1 && !done && ($3 > 60 || $5 > 60) {
      p = (axis == "y") ? $2 : $1
      if (n++ && p > hi + 3) done = 1; else { if (n == 1) lo = p; hi = p }
    }
    END {
      if (!n) { print "none"; exit }
      mid = (lo + hi) / 2
      if (axis == "y") printf "%.2f\n", 4 - (mid - 512) * 19 / (512 * 2.41421) - 0.5
      else printf "%.2f\n", 10 + (lo - 640) * 19 * 1.25 / (640 * 2.41421)
    }'
}
between() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v != "none" && v >= lo && v <= hi) }'; }

start_x 1280x1024x24
start_game "$root"
find_window Korvalen 20 >/dev/null || fail "no game window"
sleep 1
xdotool mousemove 640 512

shot menu
keep menu main_menu
tint menu 200 10 110   # title
tint menu 300 100 011  # "New" highlighted
tint menu 270 130 111
tint menu 300 160 111

press Down
press space
press 3
shot speed3
tint speed3 250 220 101  # "stupen 3" marked
press Escape
press Up
press space
shot colour
keep colour colour_screen
tint colour 200 10 110  # "Zvol si farbu"
press space
sleep 0.5
shot start
tint start 30 370 111    # "player 1"
tint start 252 380 010   # "Time"
# Player 2 walks down to the bottom edge while player 1 finds the bow.
xdotool keydown k

# Up beside the west wall (x 5 to 6, y 6 to 10), below the lone block (y 8 to 9),
# each hold sized by the walking speed measured so far ...
y=0 rate=
for _ in $(seq 1 12); do
  between "$y" 5.3 6.8 && break
  hold=$(awk -v y="$y" -v r="$rate" 'BEGIN {
    t = (r > 0) ? 0.7 * (6 - y) / r : 0.2; if (t < 0) t = -t
    printf "%.2f", (t < 0.03) ? 0.03 : (t > 2) ? 2 : t }')
  if between "$y" 6.8 20; then press d "$hold"; else press e "$hold"; fi
  shot walk
  last=$y
  y=$(player_at walk y 0.5)
  [ "$y" = none ] && fail "player 1 is not in his column"
  rate=$(awk -v a="$last" -v b="$y" -v t="$hold" 'BEGIN { d = b - a; if (d < 0) d = -d; print d / t }')
done
between "$y" 5.3 6.8 || fail "player 1 did not walk up beside the west wall (y $y)"
# ... right until the wall stops him just short of x 4 ...
x=0
for _ in $(seq 1 6); do
  press f 1.5
  shot walk
  last=$x
  x=$(player_at walk x "$(awk -v y="$y" 'BEGIN { print y + 0.5 }')")
  [ "$x" = "$last" ] && break
done
between "$x" 3.5 4.3 || fail "player 1 was not stopped by the west wall (x $x)"
# ... and down over the bow at (3, 3), which he picks up on the way.
arrows_x=$(field_px 1.5) arrows_y=$(field_py -2.8)  # the panel's first arrow icon
picked=
for _ in $(seq 1 4); do
  press d 1.5
  shot walk
  if lit walk "$arrows_x" "$arrows_y" 4 4; then picked=1; break; fi
done
[ -n "$picked" ] || fail "no arrows in the panel: the bow was not picked up"
shot bow
fifth_x=$((arrows_x + 1200 * 65 / 1000))  # the fifth icon, 1.2 units to the right
lit bow "$fifth_x" "$arrows_y" 4 4 || fail "the bow in hand does not show five arrows"

# A step up of about three frames (his row still overlaps player 2's), a turn
# right, and a shot along the bottom lane into player 2.
xdotool keyup k
step=$(awk -v r="$rate" 'BEGIN { t = (r > 0) ? 0.3 / r : 0.05; printf "%.2f", (t < 0.03) ? 0.03 : (t > 0.5) ? 0.5 : t }')
press e "$step"
press f "$step"
press a
sleep 0.5
shot hit
lit hit "$arrows_x" "$arrows_y" 4 4 || fail "all arrows gone after one shot"
lit hit "$fifth_x" "$arrows_y" 4 4 && fail "the shot did not spend an arrow"
tint hit 162 400 010  # player 1's rating, 1, green
tint hit 517 400 100  # player 2's, -1, red

press Escape
shot pause
keep pause pause_menu
tint pause 300 100 011  # "Return"
tint pause 300 160 111  # "End"
lit pause 20 "$((424 * 1024 / 480))" 150 34 && fail "the pause menu shows the credits hint"
press Down
press space
press 1
shot speed1
keep speed1 speed_screen
tint speed1 250 160 101
press Escape
press Up
press space
# At speed 1 an arrow crosses a tile in about a second: one in flight.
press a
sleep 0.6
shot play
keep play play
tint play 252 380 010
lit play "$arrows_x" "$arrows_y" 4 4 || fail "the resumed match lost the bow"

press h
shot description
keep description description
tint description 100 30 110  # "Popis hry"
press Escape
press Escape
press i
shot credits
keep credits credits
tint credits 350 60 011  # "Orvek"
press Escape

if [ -n "${KORVALEN_PLAY_TO_END:-}" ]; then
  # Back at speed 3 until the clock runs out: player 1 leads, 1 to -1.
  press Down
  press space
  press 3
  press Escape
  press Up
  press space
  ended=
  for _ in $(seq 1 120); do
    sleep 5
    shot end
    if lit end 400 "$((404 * 1024 / 480))" 20 34; then ended=1; break; fi
  done
  [ -n "$ended" ] || fail "the match did not end"
  sleep 1
  shot end
  keep end end_screen
  tint end 200 20 011
  tint end 200 400 100
  # Space leaves the end screen without latching, so held over a few frames
  # it goes on to confirm "New" on the main menu: the colour screen.
  press space
  shot after_end
  lit after_end 400 "$((404 * 1024 / 480))" 20 34 && press Escape
else
  press Down
  press Down
  shot abandon
  tint abandon 300 160 011
  press space
fi
shot menu_again
tint menu_again 300 100 011
tint menu_again 10 420 110
press Down
press Down
press space

wait_exit 5
[ "$code" = 0 ] || fail "exit code $code after Exit"
echo "play_match: ok"
