#!/usr/bin/env bash
# Every refusal of the command line: one line on stderr naming what is wrong, exit code 2,
# and no window (there is no display to open one on). Then the start level as the speed
# screen shows it: level 1 on every machine, with either pace; --speed chooses another. With
# --bot 3 and no key touched, the computer walks player 2 off his spawn point and its hits on
# player 1 turn the ratings: player 2's green, player 1's red.
set -u
game=$(realpath "$1")
failed=0
# Each row: the arguments (split at spaces; '_' stands for a space inside one)|a word of the message.
while IFS='|' read -r args word; do
  read -r -a argv <<<"$args"
  argv=("${argv[@]//_/ }")
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$game" "${argv[@]}" 2>&1 >/dev/null)
  code=$?
  if [ "$code" != 2 ] || [ "$(printf '%s\n' "$err" | wc -l)" != 1 ] || [[ $err != *"$word"* ]]; then
    echo "FAIL: korvalen ${argv[*]}: exit code $code, message '$err' (want 2 and '$word')" >&2
    failed=1
  fi
done <<'ROWS'
--frobnicate|unknown argument '--frobnicate'
window|unknown argument 'window'
--window --window|--window given twice
--speed|--speed takes
--speed 0|--speed takes
--speed 4|--speed takes
--speed _1|--speed takes
--speed 1_|--speed takes
--speed +1|--speed takes
--speed 2x|--speed takes
--speed --window|--speed takes
--pace|--pace takes
--pace fast|--pace takes
--pace Frame|--pace takes
--pace --window|--pace takes
--change-mode --change-mode|--change-mode given twice
--change-mode 1|unknown argument '1'
--bot 0|--bot takes
--bot _2|--bot takes
--bot -1|--bot takes
--host 0|--host takes
--host 65536|--host takes
--host 99999999999|--host takes
--join|--join takes
--join --window|--join takes
--join host:|--join takes
--join :28760|--join takes
--join host:70000|--join takes
--join [::1]|IPv6
--join [::1]:28760|IPv6
--join ::1|IPv6
--record|--record takes
--record --window|--record takes
--volume|--volume takes
--volume 101|--volume takes
--volume -1|--volume takes
--volume 5x|--volume takes
--volume --window|--volume takes
--lang|--lang takes
--lang de|--lang takes
--lang --window|--lang takes
--host --join host|exclude each other
--bot --host|exclude each other
--join host --bot 1|exclude each other
--watch|--watch takes
--watch --window|--watch takes
--watch f --bot|--watch plays a recording as it was
--record g --watch f|--watch plays a recording as it was
--watch f --speed 3|--watch plays a recording as it was
--arena|--arena takes
--arena 0|--arena takes
--arena 100|--arena takes
--arena _5|--arena takes
--arena 2 --arena 3|--arena given twice
--arenas 2|unknown argument '2'
--join host --arena 3|the host's arena
--watch f --arena 3|--watch plays a recording as it was
ROWS
[ "$failed" = 0 ] || exit 1
echo "command line: refusals ok"

source "$(dirname "$0")/game_lib.bash"

# Restarts the game with arguments $2...; its speed screen must mark level $1 alone.
expect_level() {
  local want=$1 what="level $1 with ${*:2}" level marked=""
  shift
  stop_pid "$game_pid"
  open_game "$root" "$@"
  speed_screen "$what"
  for level in 1 2 3; do
    tint now 250 $((130 + 30 * level)) 101 && marked+=$level
  done
  [ ${#marked} = 1 ] && [[ $want == *$marked* ]] || fail "$what: marked are levels '$marked'"
}
# Whether player 2's spawn point (window pixels 1250 to 1278, 30 to 85) is bare, green grass.
spawn_bare() {
  local r g b
  read -r r g b < <(maxima now 1250 30 28 55)
  seen="($r, $g, $b) at player 2's spawn point"
  [ "$r" -le 60 ] && [ "$b" -le 60 ]
}

start_x 1280x1024x24
expect_level 1
expect_level 1 --pace frame
expect_level 3 --speed 3 --pace clock --bot 3
xdotool mousemove 640 512
hold_until Escape "the main menu after the speed screen" '! tint now 250 10 011'
hold_until Up "New" 'tint now 300 100 011'
into_match
shows "player 2 off his spawn point" 'spawn_bare'
shows "player 2's hits in the ratings" 'tint now 517 400 010' 'tint now 162 400 100'
echo "command line: ok"
