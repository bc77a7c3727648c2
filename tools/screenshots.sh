#!/usr/bin/env bash
# Retakes the screenshots under docs/screenshots/: plays one session of the
# real game under Xvfb (1280 x 1024 x 24), driven by xdotool, through every
# screen but the end screen (whose picture stays as it is), and a match on three of the
# arenas. Then draws the staged
# field with all four bows on the ground (build/tools/staged_field) and crops its
# bows for a close-up.
# Usage: tools/screenshots.sh [GAME_BINARY]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
game=${1:-$root/build/korvalen}
if [ ! -x "$game" ]; then
  cmake -S "$root" -B "$root/build" >/dev/null
  cmake --build "$root/build" -j2 --target korvalen
fi
mkdir -p "$root/docs/screenshots"
shots="$root/docs/screenshots"
KORVALEN_SCREENSHOTS="$shots" bash "$root/tests/game/play_match.sh" "$game" "$root"
# hosting and joining from the menus (host_en.png, join_en.png, join_failed_en.png), and a
# room's code on the meeting servers and the lobby (room_waiting_en.png, join_lobby_en.png)
KORVALEN_SCREENSHOTS="$shots" bash "$root/tests/game/menu_online_test.sh" "$game" "$root"
KORVALEN_SCREENSHOTS="$shots" bash "$root/tests/game/menu_rooms_test.sh" "$game" "$root"
rm -f "$shots/host_rooms_en.png"
# a match on three of the arenas (arena_3.png, arena_5.png, arena_6.png)
KORVALEN_SCREENSHOTS="$shots" bash "$root/tests/game/arena_test.sh" "$game" "$root"
cmake --build "$root/build" -j2 --target staged_field >/dev/null
(cd "$root" && tests/with_xvfb.sh build/tools/staged_field "$shots/field.ppm")
# The four bows lie at x 7, 9, 11, 13 and y 8 to 9, drawn 62 pixels a unit.
convert "$shots/field.ppm" "$shots/field.png"
convert "$shots/field.ppm" -crop 446x72+448+198 +repage "$shots/bows_closeup.png"
rm "$shots/field.ppm"
ls "$shots"/*.png
