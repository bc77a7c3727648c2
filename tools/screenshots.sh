#!/usr/bin/env bash
# Retakes the screenshots under docs/screenshots/: plays one session of the
# real game under Xvfb (1280 x 1024 x 24), driven by xdotool, through every
# screen, and plays the match to its end for the end screen (a few minutes
# at the fastest speed). Usage: tools/screenshots.sh [GAME_BINARY]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
game=${1:-$root/build/korvalen}
if [ ! -x "$game" ]; then
  cmake -S "$root" -B "$root/build" >/dev/null
  cmake --build "$root/build" -j2 --target korvalen
fi
mkdir -p "$root/docs/screenshots"
KORVALEN_SCREENSHOTS="$root/docs/screenshots" KORVALEN_PLAY_TO_END=1 \
  bash "$root/tests/game/play_match.sh" "$game" "$root"
ls "$root/docs/screenshots"/*.png
