#!/usr/bin/env bash
# A sound device that stops taking samples never keeps the game from ending: SDL's disk
# driver writes into a pipe whose reader is stopped (the mixing thread waits in write), or
# into a pipe nobody opens (opening the device waits). SIGTERM still ends the game, with its
# one line about the device; and the first picture never waits for the device.
set -u
source "$(dirname "$0")/game_lib.bash"

# Ends the game with SIGTERM ($1 names the case) and says how long it took.
quit_now() {
  local asked=${EPOCHREALTIME/[.,]/}
  kill -TERM "$game_pid"
  ends_with 0 "$1: SIGTERM" 20
  echo "$1: ended $(((${EPOCHREALTIME/[.,]/} - asked) / 1000)) ms after SIGTERM"
  grep -q "the sound device does not answer" "$work/stderr" || fail "$1: no line about the device"
}
# Whether a thread of the game waits in $1 (the kernel's name of the wait).
waits_in() { grep -qs "$1" /proc/$game_pid/task/*/wchan; }

start_x 1280x1024x24
fifo=$work/sound.fifo
mkfifo "$fifo"

# A reader that stops: the pipe fills, and the mixing thread waits to write more.
cat "$fifo" >/dev/null 2>&1 &
reader=$!
trap 'kill -CONT $reader 2>/dev/null; kill $reader 2>/dev/null; stop_pid "$game_pid"; stop_pid "$xvfb_pid"; rm -rf "$work"' EXIT
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$fifo open_game "$root" --window
shows "main menu" 'tint now 300 100 011'
kill -STOP $reader
wait_for "the game never waited to write sound" 'waits_in pipe_write'
quit_now "a stalled reader"
kill -CONT $reader
kill $reader 2>/dev/null
wait $reader 2>/dev/null

# Nobody opens the pipe: the device never opens, and the menu is drawn all the same.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$fifo open_game "$root" --window
shows "main menu with the device still opening" 'tint now 300 100 011'
wait_for "the device is not waiting for its pipe" 'waits_in wait_for_partner || waits_in fifo_open' 
quit_now "a pipe nobody opens"
echo "stalled_sound: ok"
