#!/usr/bin/env bash
# Opening a long recording to watch: the game runs it once whole first, in slices, so a quit
# asked for meanwhile ends it at once (before its window, and with it up), and the window
# comes up within a moment showing how far the run got (a yellow line, no main menu yet).
set -u
source "$(dirname "$0")/game_lib.bash"

# Twenty million steps at the main menu, B (a key no screen reads) down and up in turn, each
# step a record of its own: a minute's run on a busy machine.
rec=$work/long.rec
version=$("$game" --version | cut -d' ' -f2)
python3 - "$rec" "$version" <<'PY'
import struct, sys
steps, version = 20_000_000, sys.argv[2].encode()
with open(sys.argv[1], "wb") as f:
    f.write(b"KORVREC\n" + struct.pack("<H", 3) + bytes([len(version)]) + version)
    # the match-start record: seed 1, sector 1, no arena text, no name
    f.write(b"S" + struct.pack("<I", 1) + bytes([1, 0]) + struct.pack("<H", 0) + bytes([0]))
    # a first step whole (level 0, no bit held), then a change of B (player 1's bit 12) a step
    f.write(b"F" + bytes(11))
    for n in range(steps // 1_000_000):
        f.write(b"\x8c\x00" * (1_000_000 - (n == 0)))
    f.write(b"Z" + struct.pack("<I", steps))
PY

# Ends the game with SIGTERM ($1 names the moment) and says how long it took.
quit_now() {
  local asked=${EPOCHREALTIME/[.,]/}
  kill -TERM "$game_pid"
  ends_with 0 "$1: SIGTERM" 20
  echo "$1: ended $(((${EPOCHREALTIME/[.,]/} - asked) / 1000)) ms after SIGTERM"
}

start_x 1280x1024x24
# At once: as soon as the game answers SIGTERM (its handler is in place before it looks at
# the file), while it reads the file or has begun the run, without a window.
start_game "$root" --window --watch "$rec"
wait_for "the game never took SIGTERM" '(( 0x$(awk "/^SigCgt/{print \$2}" /proc/$game_pid/status) & 0x4000 ))'
quit_now "at once"

# With the window up: it shows the run's progress, then SIGTERM ends it.
start_game "$root" --window --watch "$rec"
win=$(find_window "Korvalen - $(basename "$rec")") || fail "no window titled with the recording"
shows "the progress of the first run" 'tint now 60 200 110' '! tint now 300 100 011'
quit_now "with the progress on screen"
grep -q . "$work/stderr" && fail "lines on standard error"
echo "watch_open: ok"
