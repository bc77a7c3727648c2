#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (address and undefined-behaviour
# checks on) in build-fuzz/, then runs each for SECONDS (default 60), starting from the
# committed corpus under tests/fuzz/corpus/ (the replay script also from every file of
# tests/scenarios/). Every committed input runs first, however short SECONDS is: this is
# where the corpora are checked (no other build runs them). Any crash, hang, failed
# target check or sanitizer report fails the run; the input that caused it is kept in
# build-fuzz/artifacts/NAME/. What the targets print themselves (the replay's dumps and
# bad-line messages) is dropped.
#   tools/fuzz.sh [SECONDS] [NAME ...]      NAME: bmp, map, arena, replay, recording, message, sound,
#                                           settings, catalog (default all)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(bmp map arena replay recording message sound settings catalog signal)

source tools/deps.sh
korvalen_install_deps clang libclang-rt-14-dev libgtest-dev libbenchmark-dev libsdl2-mixer-dev
cxx=$(command -v clang++-14 || command -v clang++)

build=$root/build-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" -DKORVALEN_GAME=OFF -DBUILD_TESTING=ON -DKORVALEN_FUZZ=ON >/dev/null
known=$(cmake --build "$build" --target help)
present=()
for t in "${targets[@]}"; do
  if [ -d "tests/fuzz/corpus/$t" ] && grep -qw "fuzz_$t" <<<"$known"; then
    present+=("$t")
  else
    echo "fuzz: no target $t, skipped"
  fi
done
[ ${#present[@]} -eq 0 ] && { echo "fuzz: nothing to run" >&2; exit 1; }
if ! cmake --build "$build" -j2 --target "${present[@]/#/fuzz_}" >"$build/build.log" 2>&1; then
  tail -40 "$build/build.log"
  exit 1
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The script target also starts from the scenario scripts.
declare -A extra=([replay]="$root/tests/scenarios")
status=0
: > "$build/summary.txt"
for t in "${present[@]}"; do
  work=$build/work/$t corpus=$build/corpus/$t artifacts=$build/artifacts/$t
  mkdir -p "$work" "$corpus" "$artifacts"
  # The replay target reads the map from its working folder, as the game does.
  cp s_1.txt "$work/s_1.txt"
  log=$build/fuzz_$t.log
  echo "fuzz $t: ${seconds}s"
  if (cd "$work" && TMPDIR=$work "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 -close_fd_mask=3 \
        -artifact_prefix="$artifacts/" "$corpus" "$root/tests/fuzz/corpus/$t" \
        ${extra[$t]:-}) >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    edges=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | tr -dc 0-9)
    echo "fuzz $t: ${runs:-?} executions in ${seconds}s, coverage ${edges:-?} edges, no crash" |
      tee -a "$build/summary.txt"
  else
    status=1
    echo "fuzz $t: FAILED, input kept in $artifacts/" | tee -a "$build/summary.txt"
    grep -E 'ERROR|runtime error|fuzz_[a-z]+:|SUMMARY|Test unit written' "$log" | head -20
  fi
done
exit $status
