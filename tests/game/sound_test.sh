#!/usr/bin/env bash
# The sound, through SDL's disk driver (SDL_DISKAUDIOFILE holds what the game played) and the
# game's sound log: silent, heard in time, minimised, muted, and without a driver or with bad
# files (each part below).
set -u
source "$(dirname "$0")/game_lib.bash"
check="python3 $(dirname "$0")/sound_capture.py"

# Starts the game with the disk driver and the sound log; arguments $@ go to the game.
start_heard() {
  stop_pid "$game_pid"
  rm -f "$work/capture" "$work/sound.log"
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/capture KORVALEN_SOUND_LOG=$work/sound.log \
    open_game "$root" --window "$@"
}
# Polls the capture check $1 until it holds; fails at once when it cannot hold.
expect_capture() {
  local end=$((SECONDS + deadline)) status
  while :; do
    $check "$work/capture" "$work/sound.log" "$1" >"$work/check" 2>&1
    status=$?
    [ $status = 0 ] && { cat "$work/check"; return 0; }
    [ $status = 3 ] || fail "sound $1: $(cat "$work/check")"
    kill -0 "$game_pid" 2>/dev/null || fail "sound $1: the game ended"
    [ $SECONDS -lt $end ] || fail "sound $1: not decided before the deadline"
    sleep 0.2
  done
}

start_x 1280x1024x24

# No such driver: one line about the sound, and the game plays on.
SDL_AUDIODRIVER=nosuchdriver open_game "$root" --window
into_match
[ "$(wc -l <"$work/stderr")" = 1 ] && grep -q "no sound" "$work/stderr" ||
  fail "no sound driver: expected one line about sound on standard error"
close_window "no sound driver"

# Bad sound files: each is one line naming it, that sound is silent, the game plays on.
make_tree
rm "$work/tree/Data/sound/hit.wav"
head -c 100 "$root/Data/sound/sword.wav" >"$work/tree/Data/sound/sword.wav"
cp "$root/tests/fuzz/corpus/sound/eight_bit.wav" "$work/tree/Data/sound/shot_short.wav"
cp "$root/tests/fuzz/corpus/sound/stereo.wav" "$work/tree/Data/sound/shot_long.wav"
cp "$root/tests/fuzz/corpus/sound/rate_22050.wav" "$work/tree/Data/sound/shot_war.wav"
head -c 2000000 /dev/zero >"$work/tree/Data/sound/pickup.wav"
open_game "$work/tree" --window
into_match
for why in "hit.wav: missing" "sword.wav: not a WAV" "shot_short.wav: 8-bit mono" \
  "shot_long.wav: 16-bit stereo" "shot_war.wav: 16-bit mono at 22050 Hz" \
  "pickup.wav: larger than 1 MiB"; do
  grep -q "$why" "$work/stderr" || fail "bad sound files: no line '$why'"
done
[ "$(wc -l <"$work/stderr")" = 6 ] || fail "bad sound files: expected 6 lines on standard error"
close_window "bad sound files"

# Untouched, the main menu is silent; then a match against the computer is heard.
start_heard --bot 3
shows "main menu" 'tint now 300 100 011'
expect_capture silent
into_match
expect_capture heard
# Minimised (openbox minimises), nothing is heard; back again, the match sounds again.
start_wm
minimise
expect_capture minimised
restore
wait_for "no sound after restoring" 'sed -n "/^active frame/,\$p" "$work/sound.log" | grep -q " effect "'
# F8 mutes: what plays stops, and every effect after it is silent.
xdotool key F8
wait_for "effects after F8" '[ "$(grep -c " silent$" "$work/sound.log")" -ge 3 ]'
from=$(grep -m1 " silent$" "$work/sound.log" | awk '{print $6}')
tail -c +$((2 * from + 1)) "$work/capture" >"$work/after_f8"
[ -z "$(tr -d '\0' <"$work/after_f8")" ] || fail "sound heard after F8"
close_window "heard match"
stop_pid "$wm_pid"
wm_pid=""

# --volume 0: a match of effects, and not a sample heard.
start_heard --bot 3 --volume 0
into_match
expect_capture muted
close_window "volume 0"
echo "sound: ok"
