#!/usr/bin/env bash
# Every refusal of the command line: one line on stderr naming what is wrong, exit code 2,
# and no window (there is no display to open one on).
set -u
game=$(realpath "$1")
failed=0
# Each row: the arguments (split at spaces; '_' stands for a space inside one)|a word of the message.
while IFS='|' read -r args word; do
  read -r -a argv <<<"$args"
  argv=("${argv[@]//_/ }")
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$game" "${argv[@]}" 2>&1 >/dev/null)
  code=$?
  if [ "$code" != 2 ] || [ "$(printf '%s\n' "$err" | wc -l)" != 1 ] || [[ $err != *"$word"* ]]; then
    echo "FAIL: korvalen ${argv[*]}: exit code $code, message '$err' (want 2 and '$word')" >&2
    failed=1
  fi
done <<'ROWS'
--frobnicate|unknown argument '--frobnicate'
window|unknown argument 'window'
--window --window|--window given twice
--speed|--speed takes
--speed 0|--speed takes
--speed 4|--speed takes
--speed _1|--speed takes
--speed 1_|--speed takes
--speed +1|--speed takes
--speed 2x|--speed takes
--speed --window|--speed takes
--pace|--pace takes
--pace fast|--pace takes
--pace Frame|--pace takes
--pace --window|--pace takes
--change-mode --change-mode|--change-mode given twice
--change-mode 1|unknown argument '1'
--bot 0|--bot takes
--bot _2|--bot takes
--bot -1|--bot takes
--host 0|--host takes
--host 65536|--host takes
--host 99999999999|--host takes
--join|--join takes
--join --window|--join takes
--join host:|--join takes
--join :28760|--join takes
--join host:70000|--join takes
--join [::1]|IPv6
--join [::1]:28760|IPv6
--join ::1|IPv6
--record|--record takes
--record --window|--record takes
--volume|--volume takes
--volume 101|--volume takes
--volume -1|--volume takes
--volume 5x|--volume takes
--volume --window|--volume takes
--lang|--lang takes
--lang de|--lang takes
--lang --window|--lang takes
--host --join host|exclude each other
--bot --host|exclude each other
--join host --bot 1|exclude each other
--watch|--watch takes
--watch --window|--watch takes
--watch f --bot|--watch plays a recording as it was
--record g --watch f|--watch plays a recording as it was
--watch f --speed 3|--watch plays a recording as it was
--host-room --join-room ABCDEF|exclude each other
--join-room ABCDEF --host|excludes --host
--host-room --bot|excludes --host
--watch f --host-room|excludes --host
--join-room|--join-room takes a room code
--join-room ABCDE1|--join-room takes a room code
--join-room ABCDEFG|--join-room takes a room code
--host-room open|--host-room takes public or private
--server https://h|go with --host-room
--relay-only --host 2000|go with --host-room
--host-room --server|--server takes
ROWS
[ "$failed" = 0 ] && echo "command line: ok"
exit $failed
