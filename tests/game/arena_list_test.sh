#!/usr/bin/env bash
# The arena picked on the arena list is the one played, and stays chosen: from the colour
# screen its key opens the list, Down moves to the fortress (arena 5), Space chooses it; the
# colour screen names it, the match shows a wall only the fortress has (its west wall, away
# from the panel, not record 0) and the panel names it. The game started again plays it from
# the saved setting; --arena 6 plays the cross instead for that run, and saves nothing.
# A player's own arena, last on the list, picked there is played (its wall at (7, 8)) and
# saved by its name; the next start plays it again, and once its file is gone the game says
# so and plays arena 1.
# With KORVALEN_SCREENSHOTS set, the list is kept there as arena_list.png.
set -u
source "$(dirname "$0")/game_lib.bash"
export XDG_DATA_HOME=$work/data

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

# one wall of three cells, (6, 8) to (8, 8), that no shipped arena has
own=$XDG_DATA_HOME/korvalen/arenas/moja.txt
mkdir -p "${own%/*}"
printf '0\n-100\n-100\n-1\n-1\n1\n6\n8\n3\n1\n' >"$own"
# started on arena 9, the list opens on it, marked chosen; one row down is the player's
# arena, the list scrolled a row (arena 9's mark one row up)
open_game "$work/tree" --arena 9
to_colour_screen "own arena"
hold_until b "the list on arena 9" "tint now 84 $(row_top 9) 011" "tint now 560 $(row_top 9) 110"
hold_until Down "the player's arena" "tint now 84 $(row_top 9) 011" "tint now 560 $(row_top 8) 110"
hold_until space "own arena chosen" 'tint now 24 177 100' 'tint now 130 440 011'
grep -qx 'arena = own:moja' "$settings" || fail "the own arena is not saved: $(cat "$settings")"
hold_until space "a match on the own arena" 'tint now 252 380 010' 'wall_at 7 8' '! wall_at 9 5' \
  "! wall_at $fortress"
stop_pid "$game_pid"
game_pid=""

open_game "$work/tree"
to_colour_screen "own arena saved"
hold_until space "the saved own arena played" 'tint now 252 380 010' 'wall_at 7 8' '! wall_at 9 5'
stop_pid "$game_pid"
game_pid=""

rm "$own"
open_game "$work/tree"
to_colour_screen "own arena gone"
hold_until space "arena 1 played instead" 'tint now 252 380 010' 'wall_at 9 5' '! wall_at 7 8'
stop_pid "$game_pid"
game_pid=""
grep -q "arena own:moja, chosen before, cannot be played now" "$work/stderr" ||
  fail "no word of the own arena gone: $(cat "$work/stderr")"
echo "arena_list_test: own arena picked, saved and gone ($SECONDS s)"
