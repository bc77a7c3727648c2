#!/usr/bin/env bash
# Builds the game logic, the image reader, the replay runner and their tests with the
# address and undefined-behaviour checkers in build-sanitize/ (no window, no SDL, no GL),
# and runs the whole suite there. Any checker report ends its test with a failure.
#   tools/sanitize.sh [ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
korvalen_install_deps libgtest-dev libbenchmark-dev

build=build-sanitize
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DKORVALEN_SANITIZE=ON -DKORVALEN_GAME=OFF >/dev/null
# The windowless part must stand on its own: no SDL or GL looked up.
if grep -qE '^(SDL2|OPENGL)_' "$build/CMakeCache.txt"; then
  echo "sanitize: the build without the game still looks for SDL or GL" >&2
  exit 1
fi
cmake --build "$build" -j2

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure -j2 "$@"
