#!/usr/bin/env bash
# The arena chosen with --arena is the one played: on three arenas, the top of a wall only
# that arena has (away from the panel, never record 0) is drawn in the wall's colours, and
# the cells of the other two arenas' walls show grass. With KORVALEN_SCREENSHOTS set, each
# match is kept there as arena_N.png.
set -u
source "$(dirname "$0")/game_lib.bash"

# The middle of a cell's top face (z = 1) on the 1280 x 1024 picture: the camera looks at
# (10, 4) from 20 units up through 45 degrees, so the top lies 19 units away.
cell_px() { awk -v c="$1" 'BEGIN { printf "%d", 640 + (c + 0.5 - 10) * 640 / (19 * 0.41421356 * 1.25) }'; }
cell_py() { awk -v c="$1" 'BEGIN { printf "%d", 512 - (c + 0.5 - 4) * 512 / (19 * 0.41421356) }'; }
# Grass is drawn through pure green, so its red is nothing; a wall's stone shows red.
wall_at() {
  local r g b
  read -r r g b < <(maxima now $(($(cell_px "$1") - 4)) $(($(cell_py "$2") - 4)) 8 8)
  seen="($r, $g, $b) at cell ($1, $2)"
  [ "$r" -ge 60 ]
}

# arena, and a cell of a wall that only it has: the snake path's block in its lower lane, the
# fortress's west wall, the cross's north-south arm
cells=("3 12 1" "5 13 7" "6 10 3")
start_x 1280x1024x24
for row in "${cells[@]}"; do
  read -r arena x y <<<"$row"
  make_tree
  cp "$root"/s_[2-9].txt "$work/tree/"
  open_game "$work/tree" --arena "$arena"
  into_match
  checks=("wall_at $x $y")
  for other in "${cells[@]}"; do
    read -r o ox oy <<<"$other"
    [ "$o" = "$arena" ] || checks+=("! wall_at $ox $oy")
  done
  shows "arena $arena" "${checks[@]}"
  [ -n "${KORVALEN_SCREENSHOTS:-}" ] && cp "$work/now.png" "$KORVALEN_SCREENSHOTS/arena_$arena.png"
  stop_pid "$game_pid"
  game_pid=""
  echo "arena_test: arena $arena ok ($SECONDS s)"
done
