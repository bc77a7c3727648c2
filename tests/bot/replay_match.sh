#!/usr/bin/env bash
# korvalen-replay's "bot" command for a whole match: at speed 3 the level-3 computer plays
# player 2 against a player 1 who holds no key, on the game's own arena, and wins the match
# with at least 10 hits and none taken.
# Args: korvalen-replay, the repository root.
set -u
replay=$1 root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/s_1.txt" "$work/"
cd "$work" || exit 1
# menu, Nastavenia, speed 3, back, New, colour screen, the match
"$replay" - >out.txt 2>err.txt <<'SCRIPT'
hold
frames 1
hold DOWN
frames 1
hold SPACE
frames 1
hold 3
frames 1
hold ESC
frames 1
hold UP
frames 1
hold SPACE
frames 1
hold
frames 1
hold SPACE
frames 1
hold
bot 2 3
frames 10001
dump End player[1].kill player[2].kill player[2].death
SCRIPT
rc=$?
status=0
[ "$rc" = 0 ] || { echo "exit code $rc"; cat err.txt; status=1; }
value() { awk -v n="$1" '$1 == n { print $2 }' out.txt; }
[ "$(value End)" = 1 ] || { echo "the match did not end"; status=1; }
[ "$(value 'player[2].kill')" -ge 10 ] 2>/dev/null || { echo "too few hits"; status=1; }
[ "$(value 'player[1].kill')" = 0 ] || { echo "player 1 scored without a key"; status=1; }
[ "$(value 'player[2].death')" = 0 ] || { echo "player 2 was hit"; status=1; }
cat out.txt
exit $status
