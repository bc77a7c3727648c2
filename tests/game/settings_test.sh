#!/usr/bin/env bash
# The settings file across starts: a hand-written one is read (bad lines reported by number)
# and left byte for byte when nothing changes; a level picked is saved through a link with a
# backup, and on a full disk not saved, with one line, nothing left behind; a key bound in the
# file plays; the controls screen rebinds, refuses a key in use and puts the defaults back;
# the full-screen question's language follows the locale, --lang and the file.
set -u
source "$(dirname "$0")/game_lib.bash"

config=$XDG_CONFIG_HOME/korvalen
full=$work/full

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
[keys]
player1.right = T
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

# The key bound in the file: T is player 1's right on the colour screen, F nothing (F held
# first, T until avatar 2 is saved: F acting too would make it 3).
hold_until Escape "the main menu after the speed screen" '! tint now 250 10 011'
hold_until Up "New" 'tint now 300 100 011'
hold_until space "colour screen" 'tint now 24 177 100' '! tint now 300 100 011'
xdotool keydown F keydown T
wait_for "avatar 1 saved" 'grep -q "^avatar1 = " "$work/dotfiles/korvalen.ini"'
xdotool keyup T keyup F
grep -q "^avatar1 = 2$" "$work/dotfiles/korvalen.ini" || fail "F acted beside T: $(grep avatar1 "$work/dotfiles/korvalen.ini")"
# In a match T walks player 1 (the field changes), as nothing else moves there.
hold_until space "match" 'tint now 252 380 010' 'tint now 30 370 111'
shot before
field_moved() {
  local changed
  changed=$(compare -metric AE -fuzz 10% -crop 1280x770+0+0 "$work/before.png" "$work/now.png" null: 2>&1)
  seen="$changed pixels changed"
  [ "${changed%.*}" -gt 500 ] 2>/dev/null
}
hold_until T "player 1 walking on T" field_moved
# Back to the colour screen through End and the main menu, then its controls screen (Enter).
hold_until Escape "pause menu" 'tint now 300 100 011'
to_main_menu
hold_until space "colour screen again" 'tint now 24 177 100' '! tint now 300 100 011'
hold_until Return "the controls screen" 'tint now 250 80 011'
# player 1's up: Enter waits ("?"), W is bound and saved
hold_until Return "waiting for a key" 'tint now 250 80 101'
hold_until w "W bound" 'tint now 250 80 011'
wait_for "player1.up = W saved" 'grep -q "^player1.up = W$" "$work/dotfiles/korvalen.ini"'
# player 1's down: I is player 2's up, refused with a message; nothing saved
hold_until Down "player 1's down picked" 'tint now 250 110 011'
hold_until Return "waiting for a key" 'tint now 250 110 101'
hold_until i "I refused" 'tint now 20 330 100' 'tint now 250 110 011'
grep -q "^player1.down" "$work/dotfiles/korvalen.ini" && fail "a refused key was saved"
# "defaults" (Right to player 2, Down to the end): E D S F A Q and I K J L M N again
hold_until Right "player 2's down picked" 'tint now 450 110 011'
for y in 140 170 200 230; do hold_until Down "row $y" "tint now 450 $y 011"; done
hold_until Down "defaults picked" 'tint now 250 280 011'
hold_until Return "defaults" 'tint now 250 80 010'
wait_for "the defaults saved" 'grep -q "^player1.right = F$" "$work/dotfiles/korvalen.ini" &&
  grep -q "^player1.up = E$" "$work/dotfiles/korvalen.ini"'
hold_until Escape "the colour screen after the controls" 'tint now 24 177 100' '! tint now 250 80 011'
shows "the colour screen stays up after Esc" 'tint now 24 177 100'
close_window "level 3 picked"

# 3. On a full disk (a small tmpfs the game alone sees, in a user and mount namespace of its
# own, so no root is needed): the level saved before is marked; 2 picked is not saved.
if unshare --user --map-root-user --mount true 2>/dev/null; then
  cat >"$work/full_disk.sh" <<EOF
mkdir -p "$full" && mount -t tmpfs -o size=64k tmpfs "$full" && mkdir "$full/korvalen" &&
  cp "$work/dotfiles/korvalen.ini" "$full/korvalen/settings.ini" &&
  { dd if=/dev/zero of="$full/filler" bs=4k 2>/dev/null; exec "\$@"; }
EOF
  export XDG_CONFIG_HOME=$full
  wrap="unshare --user --map-root-user --mount bash $work/full_disk.sh" open_game "$root"
  speed_screen "full disk"
  marked 3 || fail "the level saved at the last start is not marked"
  hold_until 2 "level 2 picked on a full disk" 'marked 2'
  wait_for "a line saying the level was not saved" 'grep -q "settings not saved" "$work/stderr"'
  hold_until Escape "the game goes on after the full disk" 'tint now 270 130 011' '! tint now 250 10 011'
  [ "$(grep -c "settings not saved" "$work/stderr")" = 1 ] || fail "not one line on the full disk"
  # the lock beside the file stays (saves of two games take turns on it); nothing else may
  left=$(ls -A "/proc/$game_pid/root$full/korvalen") || fail "cannot see the game's folder"
  [ "$(grep -vx settings.ini.lock <<<"$left")" = settings.ini ] || fail "left behind: $left"
  close_window "full disk"
else
  echo "settings: the full disk skipped: this system gives no user namespaces"
fi
stop_pid "$xvfb_pid"

# 4. The full-screen question on a display without 1280 x 1024, unanswered (No: exit code 1;
# the boxes only printed) in the language --lang, the file or the locale chooses.
export XDG_CONFIG_HOME=$work/config KORVALEN_BOXES=stderr
start_x 1024x768x24
slovak="^korvalen: Tarvo GL: Tvoja Video karta pri tomto rozliseni nepodporuje .*Chces pouzit zobrazenie bez fullscreenu?$"
english="Do you want to play in a window"
# Each row: the settings file (\n for a new line)|LANG|the options|the question's language
while IFS='|' read -r file lang options want; do
  printf "$file" >"$config/settings.ini"
  what="'$file', LANG=$lang, $options"
  LANG=$lang start_game "$root" $options
  ends_with 1 "$what"
  grep -q "${!want}" "$work/stderr" || fail "$what: no $want question on stderr"
  [ $want = english ] || grep -qx "korvalen: OZNAM: Program sa zatvori." "$work/stderr" ||
    fail "$what: no notice after No"
done <<'ROWS'
|C.UTF-8|--change-mode|english
||--change-mode|english
|de_DE.UTF-8|--change-mode|english
|sk_SK.UTF-8|--change-mode|slovak
|sk_SK.UTF-8|--change-mode --lang en|english
[language]\nlanguage = en\n|sk_SK.UTF-8|--change-mode|english
[display]\nchange_mode = yes\n|sk_SK.UTF-8||slovak
|en_US.UTF-8|--change-mode --lang sk|slovak
ROWS
echo "settings: ok"
