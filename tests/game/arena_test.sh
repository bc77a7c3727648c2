#!/usr/bin/env bash
# The arena chosen with --arena is the one played: on three arenas, the top of a wall only
# that arena has (away from the panel, never record 0) is drawn in the wall's colours, and
# the cells of the other two arenas' walls show grass. With KORVALEN_SCREENSHOTS set, each
# match is kept there as arena_N.png.
set -u
source "$(dirname "$0")/game_lib.bash"

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
