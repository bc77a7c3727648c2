#!/usr/bin/env bash
# Retakes the screenshots under docs/screenshots/: plays one session of the
# real game under Xvfb (1280 x 1024 x 24), driven by xdotool, through every
# screen but the end screen (whose picture stays as it is).
# Usage: tools/screenshots.sh [GAME_BINARY]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
game=${1:-$root/build/korvalen}
if [ ! -x "$game" ]; then
  cmake -S "$root" -B "$root/build" >/dev/null
  cmake --build "$root/build" -j2 --target korvalen
fi
mkdir -p "$root/docs/screenshots"
KORVALEN_SCREENSHOTS="$root/docs/screenshots" bash "$root/tests/game/play_match.sh" "$game" "$root"
ls "$root/docs/screenshots"/*.png
