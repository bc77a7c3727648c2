#!/usr/bin/env bash
# The player's arena folder as hostile input: 10 000 files, a pipe nobody writes, a link that
# points at itself, a 100 MB file, a binary one and a folder, all under arena names. The
# editor's list shows the first 200 names, the pipe and the loop greyed; a key on the list
# still acts (the time it took is printed, never judged), and SIGTERM ends the game with 0.
set -u
source "$(dirname "$0")/game_lib.bash"
export XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
arenas=$XDG_DATA_HOME/korvalen/arenas
mkdir -p "$arenas"
# sorted first: a good arena, then the hostile ones, then the thousands
cat >"$arenas/a0-good.txt" <<'EOF'
0
-100
-100
-1
-1
1
12
5
2
3
EOF
mkfifo "$arenas/a1-pipe.txt"
ln -s a2-loop.txt "$arenas/a2-loop.txt"
truncate -s 100M "$arenas/a3-huge.txt"
printf '0\n\0\1\2\n' >"$arenas/a4-binary.txt"
mkdir "$arenas/a5-folder.txt"
(cd "$arenas" && seq -f 'f%05g.txt' 1 10000 | xargs touch)

start_x 1280x1024x24
make_tree
open_game "$work/tree"
xdotool mousemove 640 512
shows "main menu" 'tint now 300 100 011'
hold_until t "the editor" 'tint now 60 10 110'
hold_until o "the list" 'tint now 40 50 011'
# each hostile file is listed greyed, its reason beside it
grey_row() {
  local r g b
  read -r r g b < <(maxima now 560 $((1024 * (50 + 28 * $1 + 4) / 480)) 40 30)
  seen="($r, $g, $b) beside row $1"
  [ "$r" -ge 80 ] && [ "$r" -le 220 ] && [ "$r" = "$g" ] && [ "$g" = "$b" ]
}
shows "the hostile files greyed" 'grey_row 1' 'grey_row 2' 'grey_row 3' 'grey_row 4' \
  'grey_row 5'
start=$(date +%s%N)
hold_until Down "a key on the list" 'tint now 40 78 011'
echo "arena folder: Down acted in $((($(date +%s%N) - start) / 1000000)) ms"
[ -n "${KORVALEN_SCREENSHOTS:-}" ] && cp "$work/now.png" "$KORVALEN_SCREENSHOTS/editor_list.png"
kill -TERM "$game_pid"
ends_with 0 "SIGTERM on the list" 60
echo "arena folder: ok"
