#!/usr/bin/env bash
# The arena picked on the arena list is the one played, and stays chosen: from the colour
# screen its key opens the list, Down moves to the fortress (arena 5), Space chooses it; the
# colour screen names it, the match shows a wall only the fortress has (its west wall, away
# from the panel, not record 0) and the panel names it. The game started again plays it from
# the saved setting; --arena 6 plays the cross instead for that run, and saves nothing.
# With KORVALEN_SCREENSHOTS set, the list is kept there as arena_list.png.
set -u
source "$(dirname "$0")/game_lib.bash"

# a wall cell only the fortress (5) has, and one only the cross (6) has
fortress="13 7" cross="10 3"
row_top() { echo $((58 + 36 * $1)); }  # the list's row, 0 "any arena", then arena N

start_x 1280x1024x24
make_tree
cp "$root"/s_[2-9].txt "$work/tree/"
settings=$XDG_CONFIG_HOME/korvalen/settings.ini

to_colour_screen() {
  shows "$1: main menu" 'tint now 300 100 011'
  hold_until space "$1: colour screen" 'tint now 24 177 100' '! tint now 300 100 011'
}

open_game "$work/tree"
to_colour_screen "first run"
# the arena line: the key in green, the arena chosen (the first, as always) in cyan
shows "the arena line" 'tint now 20 440 010' 'tint now 130 440 011'
hold_until b "the arena list" "tint now 250 20 110" "tint now 84 $(row_top 1) 011"
for n in 2 3 4 5; do
  hold_until Down "the list's row $n" "tint now 84 $(row_top $n) 011" "tint now 84 $(row_top $((n - 1))) 010"
done
[ -n "${KORVALEN_SCREENSHOTS:-}" ] && cp "$work/now.png" "$KORVALEN_SCREENSHOTS/arena_list.png"
hold_until space "back on the colour screen" 'tint now 24 177 100' 'tint now 130 440 011'
grep -qx 'arena = 5' "$settings" || fail "the choice is not saved: $(cat "$settings" 2>&1)"
hold_until space "a match on the fortress" 'tint now 252 380 010' "wall_at $fortress" \
  "! wall_at $cross" 'tint now 560 436 101'
stop_pid "$game_pid"
game_pid=""
echo "arena_list_test: picked and played ($SECONDS s)"

open_game "$work/tree"
to_colour_screen "second run"
hold_until space "the saved arena played" 'tint now 252 380 010' "wall_at $fortress" "! wall_at $cross"
stop_pid "$game_pid"
game_pid=""

open_game "$work/tree" --arena 6
to_colour_screen "--arena 6"
hold_until space "the command line's arena played" 'tint now 252 380 010' "wall_at $cross" \
  "! wall_at $fortress"
stop_pid "$game_pid"
game_pid=""
grep -qx 'arena = 5' "$settings" || fail "--arena changed the saved choice: $(cat "$settings")"
echo "arena_list_test: saved and overridden ($SECONDS s)"
