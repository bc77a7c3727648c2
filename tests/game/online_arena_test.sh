#!/usr/bin/env bash
# Online on the host's chosen arena: the host starts with --arena 6 (the cross), the guest
# with no arena of its own; both draw the cross's north-south arm, and the two recordings run
# to the same end, whose buildings are the cross's from s_6.txt.
set -u
source "$(dirname "$0")/game_lib.bash"
source "$(dirname "$0")/two_games.bash"

make_tree
cp "$root/s_6.txt" "$work/tree/"
start_two_displays
p=$(port)
start_side host --host "$p" --arena 6 --record "$work/host.rec"
start_side guest --join "127.0.0.1:$p" --record "$work/guest.rec"
main_menu_on_both
for step in "colour screen|tint now 24 177 100" "match|tint now 252 380 010"; do
  use host
  hold_until space "host: ${step%%|*}" "${step#*|}"
  use guest
  shows "guest: ${step%%|*}" "${step#*|}"
done
# the cross's arm at cell (10, 3), and no snake-path block at (12, 1), on both screens
for side in host guest; do
  use $side
  shows "$side: the cross" 'wall_at 10 3' '! wall_at 12 1'
done
use host
hold_until Escape "pause menu" 'tint now 300 100 011' 'tint now 300 160 111'
end_and_exit
side_ends host 0
side_ends guest 0
for side in host guest; do
  replays "$work/$side.rec" >"$work/$side.dump" || fail "$side: the recording does not run"
done
cmp -s "$work/host.dump" "$work/guest.dump" || fail "the two recordings end apart"
# the cross: record 0 inert, the two arms, a block by each starting place
for line in "Build_Max 5" "build\[0\]\.x2 -1" "build\[1\]\.x 5" "build\[1\]\.x2 11" \
  "build\[2\]\.x 10" "build\[2\]\.y2 8" "build\[4\]\.x 18" "build\[4\]\.y 9"; do
  grep -qx "$line" "$work/host.dump" || fail "the recording's buildings: no '$line'"
done
echo "online_arena_test: ok ($SECONDS s)"
