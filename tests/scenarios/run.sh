#!/usr/bin/env bash
# Runs one replay script in a scratch folder and compares its output with the
# expected text beside it.
#   NAME.replay     the script; a line "#include FILE" stands for FILE's lines (expand.sh)
#   NAME.expected   the exact standard output
#   NAME.map        optional: the s_1.txt to play on (default: the repository's)
#   NAME.nomap      optional: play with no s_1.txt at all
#   NAME.mapdir     optional: a folder named s_1.txt in the map's place
#   NAME.arenas     optional: every shipped arena (s_N.txt) beside the map as well
#   NAME.args       optional: the arguments to pass instead of the script's path;
#                   the script then comes on standard input
set -u
replay=$1 script=$2 root=$3
stem=${script%.replay}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -f "$stem.nomap" ]; then :
elif [ -f "$stem.mapdir" ]; then mkdir "$work/s_1.txt"
elif [ -f "$stem.map" ]; then cp "$stem.map" "$work/s_1.txt"
else cp "$root/s_1.txt" "$work/s_1.txt"; fi
if [ -f "$stem.arenas" ]; then
  for arena in "$root"/s_*.txt; do [ "$arena" -ef "$root/s_1.txt" ] || cp "$arena" "$work/"; done
fi
bash "$(dirname "$0")/expand.sh" "$script" > "$work/script.replay"
args=("$work/script.replay") input=/dev/null
if [ -f "$stem.args" ]; then read -r -a args < "$stem.args" || true; input=$work/script.replay; fi
# Few file handles, so one the game leaves open soon shows.
(ulimit -n 64; cd "$work" && "$replay" ${args[@]+"${args[@]}"} < "$input" > out.txt 2> err.txt)
rc=$?
status=0
if [ "$rc" != 0 ]; then
  echo "exit code $rc"; cat "$work/err.txt"; status=1
fi
if ! diff -u "$stem.expected" "$work/out.txt"; then status=1; fi
exit $status
