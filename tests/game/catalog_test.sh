#!/usr/bin/env bash
# A damaged English catalog beside the binary is refused with one line, and the game speaks
# Slovak: the full-screen question on a display without 1280 x 1024 (the boxes only printed,
# unanswered: exit code 1) comes in Slovak, where the game's own catalog gives it in English.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_BOXES=stderr
start_x 1024x768x24
slovak="Chces pouzit zobrazenie bez fullscreenu?"
english="Do you want to play in a window"
built=$(dirname "$game")/locale/en/LC_MESSAGES/korvalen.mo
moved=$work/bin
mkdir -p "$moved/locale/en/LC_MESSAGES"
cp "$game" "$moved/korvalen"
game=$moved/korvalen

# Each row: the catalog beside the binary|the question's language|lines about the catalog
while IFS='|' read -r catalog want lines; do
  cp "$catalog" "$moved/locale/en/LC_MESSAGES/korvalen.mo"
  name=$(basename "$catalog")
  start_game "$root" --change-mode --lang en
  ends_with 1 "$name" 60
  grep -q "${!want}" "$work/stderr" || fail "$name: no $want question on stderr"
  [ "$(grep -c "korvalen.mo: .*the texts stay in Slovak$" "$work/stderr")" = "$lines" ] ||
    fail "$name: expected $lines line(s) refusing the catalog"
done <<ROWS
$built|english|0
$root/tests/fuzz/corpus/catalog/two_billion_strings.mo|slovak|1
$root/tests/fuzz/corpus/catalog/translation_past_end.mo|slovak|1
$root/tests/fuzz/corpus/catalog/hash_full.mo|slovak|1
$root/tests/fuzz/corpus/catalog/header_only.mo|slovak|1
ROWS
echo "catalog: ok"
