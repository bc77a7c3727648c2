#!/usr/bin/env bash
# The soak. Two parts, one command:
#  1. korvalen-replay built with the address and undefined-behaviour checkers plays seeded
#     scripts of random key presses (tools/soak/soak_gen.cpp): several matches, all three
#     speed levels, every menu and screen, minimising, each run on another map file, valid
#     or broken. Every dump in the output must hold a sane state and every frame must run.
#  2. The real game under Xvfb, fed random keys by xdotool, its map file swapped between
#     matches; its resident memory, sampled from /proc once a second, must stay flat after
#     start-up.
#   tools/soak.sh [--short] [FRAMES]
# FRAMES is the replay part's total (default 14 million; --short: 2.1 million and 40 s of
# the real game instead of 3 minutes). KORVALEN_GAME_BIN names a game binary already built;
# otherwise one is built in build-soak/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
short=0
if [ "${1:-}" = --short ]; then short=1; shift; fi
if [ $short = 1 ]; then frames=${1:-2100000} runs=7 game_seconds=40; else frames=${1:-14000000} runs=14 game_seconds=180; fi

source tools/deps.sh
korvalen_install_deps libgtest-dev libbenchmark-dev xvfb xdotool x11-utils

# Part 1: the replay runner under the checkers.
san=$root/build-sanitize
cmake -S . -B "$san" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DKORVALEN_SANITIZE=ON -DKORVALEN_GAME=OFF >/dev/null
cmake --build "$san" -j2 --target korvalen-replay >/dev/null
c++ -std=c++17 -O2 -Wall -Wextra -o "$san/soak_gen" tools/soak/soak_gen.cpp
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

work=$(mktemp -d)
game_pid="" xvfb_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

per_run=$((frames / runs))
total=0
for ((run = 0; run < runs; run++)); do
  # Run 0 plays the game's own map; the others a variant chosen by their seed.
  if [ $run = 0 ]; then cp s_1.txt "$work/s_1.txt"; else "$san/soak_gen" map $run >"$work/s_1.txt"; fi
  "$san/soak_gen" script $run $per_run >"$work/soak.replay"
  # Frames asked for while minimised never run.
  want=$(awk 'BEGIN { a = 1 } $1 == "active" { a = $2 } $1 == "frames" && a { s += $2 } END { print s }' "$work/soak.replay")
  if ! (cd "$work" && "$san/korvalen-replay" soak.replay >out.txt 2>err.txt); then
    echo "soak: run $run (seed $run, map $(wc -c <"$work/s_1.txt") bytes) failed" >&2
    head -30 "$work/err.txt" >&2
    exit 1
  fi
  [ -s "$work/err.txt" ] && { echo "soak: run $run wrote to stderr" >&2; head -30 "$work/err.txt" >&2; exit 1; }
  printf 'soak run %2d, map %9s bytes: ' $run "$(wc -c <"$work/s_1.txt")"
  "$san/soak_gen" check "$want" <"$work/out.txt" || exit 1
  total=$((total + want))
done
echo "soak replay: $total frames in $runs runs under the address and undefined-behaviour checkers"

# Part 2: the real game, random keys, memory sampled.
game=${KORVALEN_GAME_BIN:-}
if [ -z "$game" ]; then
  korvalen_install_deps
  cmake -S . -B build-soak -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
  cmake --build build-soak -j2 --target korvalen >/dev/null
  game=$root/build-soak/korvalen
fi
for n in $(seq 230 290); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -e /tmp/.X11-unix/X$n ] && DISPLAY=:$n xwininfo -root >/dev/null 2>&1 && break
    kill -0 $xvfb_pid 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 $xvfb_pid 2>/dev/null && DISPLAY=:$n xwininfo -root >/dev/null 2>&1; then
    export DISPLAY=:$n
    break
  fi
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "soak: could not start Xvfb" >&2; exit 1; }

mkdir -p "$work/game" "$work/maps"
cp -r Data s_1.txt "$work/game/"
for m in 1 2 3 4 5 6 7; do "$san/soak_gen" map $m >"$work/maps/$m.txt"; done
cp s_1.txt "$work/maps/0.txt"
(cd "$work/game" && KORVALEN_BOXES=stderr exec "$game") >"$work/game.out" 2>"$work/game.err" &
game_pid=$!

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$game_pid/status" 2>/dev/null || echo 0; }
running() { kill -0 "$game_pid" 2>/dev/null; }
# One key down for a moment; keys never include Up or Down, so the menus never leave their
# first entry and the main menu's Exit cannot be chosen.
keys=(e d f s a q i k l j m n e d f s i k l j a m space Return Escape h 1 2 3 w r b Left Right)
seed=1
next() { seed=$(((seed * 1103515245 + 12345) % 2147483648)); echo $((seed / 65536 % $1)); }

sleep 3
running || { echo "soak: the game did not start" >&2; cat "$work/game.err" >&2; exit 1; }
samples=()
start=$SECONDS
last=$start
while ((SECONDS - start < game_seconds)); do
  k=${keys[$(next ${#keys[@]})]}
  k2=${keys[$(next ${#keys[@]})]}
  xdotool keydown "$k" keydown "$k2"
  sleep 0.$((1 + $(next 5)))
  xdotool keyup "$k" keyup "$k2"
  if ((SECONDS != last)); then
    last=$SECONDS
    running || { echo "soak: the game ended during the soak" >&2; cat "$work/game.err" >&2; exit 1; }
    samples+=("$(rss)")
    # A new map file now and then: the next match reads it.
    ((last % 10 == 0)) && cp "$work/maps/$(next 8).txt" "$work/game/s_1.txt"
  fi
done
xdotool keyup e keyup f 2>/dev/null || true

n=${#samples[@]}
# Start-up is the first quarter; after it the memory must not grow by more than 2 MiB.
first=${samples[$((n / 4))]}
peak=$first
for ((i = n / 4; i < n; i++)); do ((samples[i] > peak)) && peak=${samples[i]}; done
end=${samples[$((n - 1))]}
echo "soak game: ${game_seconds}s of random keys, $n samples, RSS after start-up ${first} kB," \
  "at the end ${end} kB, peak ${peak} kB"
printf '%s\n' "${samples[@]}" >"$root/build-sanitize/soak_rss.txt"
if ((peak - first > 2048)); then
  echo "soak: the game's memory grew by $((peak - first)) kB" >&2
  exit 1
fi
kill -TERM "$game_pid"
wait "$game_pid" && code=0 || code=$?
game_pid=""
[ "$code" = 0 ] || { echo "soak: the game ended with $code on SIGTERM" >&2; exit 1; }
echo "soak: passed"
