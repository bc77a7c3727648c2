#!/usr/bin/env bash
# The settings file across starts. A hand-written file is read (its unknown name and its line
# that is no setting reported with their numbers) and left byte for byte when nothing changes,
# --speed included; a level picked on the speed screen is saved through a link, kept beside
# as settings.ini.bak, and marked at the next start; on a full disk the change is not saved,
# the file stays as it was, no temporary file is left, one line says so and the game goes on.
# The full-screen question (--change-mode) in Slovak and English, as the locale, --lang and the
# file ask; change_mode = yes in the file asks it without the option.
set -u
source "$(dirname "$0")/game_lib.bash"

config=$XDG_CONFIG_HOME/korvalen
full=$work/full
trap 'stop_pid "$game_pid"; stop_pid "$xvfb_pid"; umount "$full" 2>/dev/null; rm -rf "$work"' EXIT

# Opens the speed screen from the main menu ($1 names the start).
speed_screen() {
  shows "$1: main menu" 'tint now 300 100 011'
  hold_until Down "$1: Nastavenia" 'tint now 270 130 011'
  hold_until space "$1: the speed screen" 'tint now 250 10 011'
}
marked() { tint now 250 $((130 + 30 * $1)) 101; }

mkdir -p "$config"
cat >"$config/settings.ini" <<'EOF'
# Korvalen, set by hand
; both kinds of comment
[game]
speed = 1   ; slow and steady
colour = red
[players]
avatar2 = 4
this line is no setting
EOF
cp "$config/settings.ini" "$work/hand.ini"

start_x 1280x1024x24
# 1. --speed wins for its run and is not saved; nothing else changes, so nothing is written.
open_game "$root" --speed 2
speed_screen "--speed 2"
marked 2 || fail "--speed 2 is not the level marked"
for line in "settings.ini:5: unknown setting 'colour' in \[game\]" "settings.ini:8: not a setting"; do
  grep -q "$line" "$work/stderr" || fail "no report like \"$line\""
done
close_window "--speed 2"
cmp "$work/hand.ini" "$config/settings.ini" || fail "the file changed with nothing changed"
[ -e "$config/settings.ini.bak" ] && fail "a backup was written with nothing changed"

# 2. Through a dotfile manager's link: the file's level marked; 3 picked is saved in place.
mkdir -p "$work/dotfiles"
mv "$config/settings.ini" "$work/dotfiles/korvalen.ini"
ln -s ../../dotfiles/korvalen.ini "$config/settings.ini"
open_game "$root"
speed_screen "the saved level"
marked 1 || fail "the saved level 1 is not marked"
hold_until 3 "level 3 picked" 'marked 3'
wait_for "speed = 3 saved" 'grep -q "^speed = 3   ; slow and steady$" "$work/dotfiles/korvalen.ini"'
[ -L "$config/settings.ini" ] || fail "the link was replaced"
cmp "$work/hand.ini" "$work/dotfiles/korvalen.ini.bak" || fail "the backup is not the old file"
sed 's/^speed = 1 /speed = 3 /' "$work/hand.ini" | cmp - "$work/dotfiles/korvalen.ini" ||
  fail "more than the level changed"
close_window "level 3 picked"

# 3. On a full disk: the level saved before is marked; 2 picked is not saved.
mkdir -p "$full"
mount -t tmpfs -o size=64k tmpfs "$full" || fail "cannot mount a small tmpfs (root needed)"
mkdir -p "$full/korvalen"
cp "$work/dotfiles/korvalen.ini" "$full/korvalen/settings.ini"
dd if=/dev/zero of="$full/filler" bs=4k 2>/dev/null
export XDG_CONFIG_HOME=$full
open_game "$root"
speed_screen "full disk"
marked 3 || fail "the level saved at the last start is not marked"
hold_until 2 "level 2 picked on a full disk" 'marked 2'
wait_for "a line saying the level was not saved" 'grep -q "settings not saved" "$work/stderr"'
hold_until Escape "the game goes on after the full disk" 'tint now 270 130 011' '! tint now 250 10 011'
[ "$(grep -c "settings not saved" "$work/stderr")" = 1 ] || fail "not one line on the full disk"
cmp "$work/dotfiles/korvalen.ini" "$full/korvalen/settings.ini" || fail "the file changed on a full disk"
[ "$(ls -A "$full/korvalen")" = settings.ini ] || fail "left behind: $(ls -A "$full/korvalen")"
close_window "full disk"
umount "$full"
stop_pid "$xvfb_pid"

# 4. The full-screen question on a display without 1280 x 1024: No (the boxes only printed).
export XDG_CONFIG_HOME=$work/config KORVALEN_BOXES=stderr
start_x 1024x768x24
question() {
  local want=$1 what=$2
  shift 2
  start_game "$root" --change-mode "$@"
  ends_with 1 "$what"
  grep -q "$want" "$work/stderr" || fail "$what: no \"$want\" on stderr"
}
slovak="Chces pouzit zobrazenie bez fullscreenu"
english="Do you want to play in a window"
question "$slovak" "the question by default"
LANG=sk_SK.UTF-8 question "$slovak" "LANG=sk_SK.UTF-8"
question "$english" "--lang en" --lang en
LANG=en_US.UTF-8 question "$english" "LANG=en_US.UTF-8"
printf '[language]\nlanguage = en\n' >"$config/settings.ini"
question "$english" "language = en in the file"
# change_mode = yes in the file asks as --change-mode does
printf '[display]\nchange_mode = yes\n' >"$config/settings.ini"
start_game "$root"
ends_with 1 "change_mode = yes in the file"
grep -q "$slovak" "$work/stderr" || fail "change_mode = yes in the file: no question"
LANG=en_US.UTF-8 question "$slovak" "--lang sk over the locale" --lang sk
echo "settings: ok"
