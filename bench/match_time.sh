#!/usr/bin/env bash
# How long a match lasts on this machine's wall clock, and how much of it the game let go
# because it fell behind: the match time test at each level asked, which prints both.
# Usage: bench/match_time.sh [BUILD_DIR] [LEVEL ...]   (defaults: build, levels 1 and 3)
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$here/build}")
shift $(($# > 0 ? 1 : 0))
for level in "${@:-1 3}"; do
  for l in $level; do
    KORVALEN_MATCH_LEVEL=$l bash "$here/tests/game/match_time_test.sh" "$build/korvalen" "$here" |
      grep '^level'
  done
done
