#!/usr/bin/env bash
# Watching a recording of a match against the computer, ended by SIGTERM: Space stops and
# starts it, Right jumps while paused, the field moves and is heard, + speeds it to its end,
# whose picture stays until Esc ends with 0. A file that is no whole recording is refused
# before any window with exit code 2 and the reason korvalen-replay gives.
set -u
source "$(dirname "$0")/game_lib.bash"

# Whether the field moves: a screenshot ($1 names it) whose field differs from the one before.
field_moves() {
  convert "$work/now.png" -crop 1280x760+0+0 +repage "$work/$1.png"
  shot now
  convert "$work/now.png" -crop 1280x760+0+0 +repage "$work/field.png"
  ! same "$1" field
}
# Whether the picture stands: three screenshots in a row, over a second at least, alike.
stands() {
  local start=$SECONDS
  cp "$work/now.png" "$work/still.png"
  while [ $((SECONDS - start)) -lt 2 ]; do
    shot now
    same still now || return 1
  done
}

# Whether the watch is heard: a step started an effect, and the sound device played sound.
heard() { python3 "$(dirname "$0")/sound_capture.py" "$work/capture" "$work/sound.log" any; }

start_x 1280x1024x24
make_tree

# A match against the computer, recorded until SIGTERM ends the game in the middle of it: some
# 30 seconds of it at level 1.
rec=$work/match.rec
open_game "$work/tree" --window --bot 3 --record "$rec"
# Some seconds on the main menu first, so that the watch below shows the menu long enough to
# be seen on a busy machine: no key changes there, so each second's flush adds one repeat
# record of 3 bytes, and three of them have gone out once the file has grown by 9.
shows "recording: the main menu" 'tint now 300 100 011'
menu_size=$(stat -c %s "$rec")
wait_for "the recording never grew at the main menu" \
  '[ "$(stat -c %s "$rec")" -ge $((menu_size + 9)) ]'
into_match
# The computer changes its keys often: some 900 bytes a second of match, so about 20 seconds.
match_size=$(stat -c %s "$rec")
wait_for "the recording never grew" '[ "$(stat -c %s "$rec")" -gt $((match_size + 18000)) ]'
kill -TERM "$game_pid"
ends_with 0 "SIGTERM while recording"  # whole, or the watch below refuses it

# The main menu first; Space pauses, Right jumps 10 seconds on, into the match (the menus took
# some seconds of the recording), still paused; Space plays it on.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/capture KORVALEN_SOUND_LOG=$work/sound.log \
  start_game "$work/tree" --window --watch "$rec"
  win=$(find_window "Korvalen - $(basename "$rec")") || fail "no window titled with the recording"
shows "watching: the main menu" 'tint now 300 100 011'
xdotool key space
poll 30 stands || fail "watching: Space does not stop the picture"
for jump in 1 2 3 4; do
  cp "$work/now.png" "$work/paused.png"
  xdotool key Right
  poll 30 '! same paused now' || fail "watching: Right does not jump while paused"
  poll 30 stands || fail "watching: the jump did not stay paused"
  tint now 252 380 010 && tint now 30 370 111 && break
done
shows "watching: the match after jumps" 'tint now 252 380 010' 'tint now 30 370 111'
xdotool key space
poll 30 'field_moves before' || fail "watching: the field does not move after Space"
wait_for "watching: the match is never heard" heard
# at 16 times the pace the rest is over soon; the last picture stays until Esc
xdotool key plus key KP_Add key plus key KP_Add
poll 120 stands 'lit now 100 100 400 400' || fail "watching: the end does not stay on screen"
kill -0 "$game_pid" 2>/dev/null || fail "watching: the game ended at the recording's end"
xdotool key Escape
ends_with 0 "watching: Esc"

# Not a recording, or one cut short: refused with korvalen-replay's reason, no window.
head -c 4000 /dev/urandom >"$work/random.rec"
head -c -3 "$rec" >"$work/cut.rec"
for file in random cut missing; do
  start_game "$work/tree" --window --watch "$work/$file.rec"
  ends_with 2 "watching the $file file" 60
  want=$(replays "$work/$file.rec" 2>&1 >/dev/null)
  [ "$(cat "$work/stderr")" = "${want/korvalen-replay:/korvalen:}" ] ||
    fail "watching the $file file: '$(cat "$work/stderr")', not as korvalen-replay: '$want'"
done
echo "watch_test: ok ($SECONDS s)"
