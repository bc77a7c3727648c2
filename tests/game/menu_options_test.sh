#!/usr/bin/env bash
# The options menu, keys only: the volume down to 40 (the sound log says so), the language
# to English (the main menu's next picture is the English one, to the pixel), both saved and
# both holding after a restart; and F8's sound off, kept over a restart.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_SOUND_LOG=$work/sound.log
settings=$XDG_CONFIG_HOME/korvalen/settings.ini

# The main menu's described entries, where the languages differ: "Nastavenia" / "Settings".
entries() { convert "$work/now.png" -crop 300x80+520+250 +repage "$work/$1.png"; }
# Taps key $1 until the file $3 has a line $2.
tap_until() {
  local end=$((SECONDS + deadline))
  until grep -qx "$2" "$3" 2>/dev/null; do
    [ $SECONDS -lt $end ] || fail "no line '$2' in $3 after $1"
    xdotool key "$1"
    poll 2 "grep -qx '$2' '$3'" && return 0
  done
}

start_x 1280x1024x24
open_game "$root" --lang en
shows "English main menu" 'tint now 300 100 011'
entries english
close_window "English start"

open_game "$root"
xdotool mousemove 640 512
shows "Slovak main menu" 'tint now 300 100 011'
entries slovak
same english slovak && fail "the main menu looks the same in both languages"
grep -qx "volume 100" "$KORVALEN_SOUND_LOG" || fail "the sound log has no volume 100"
hold_until v "options" 'tint now 250 30 110' 'tint now 330 90 011'
for volume in 90 80 70 60 50 40; do tap_until Left "volume $volume" "$KORVALEN_SOUND_LOG"; done
hold_until Down "the sound row" "tint now 330 125 011"
hold_until Down "the language row" "tint now 330 160 011"
tap_until Right "language = en" "$settings"
grep -qx "volume = 40" "$settings" || fail "the volume was not saved: $(cat "$settings")"
hold_until Escape "main menu" 'tint now 300 100 011' '! tint now 250 30 110'
shot now
entries chosen
same english chosen || fail "the main menu is not in English after the options"
close_window "after the options"

open_game "$root"
shows "main menu after a restart" 'tint now 300 100 011'
entries restarted
same english restarted || fail "the main menu is not in English after a restart"
# opening the options and leaving them changes nothing
hold_until v "options again" 'tint now 250 30 110' 'tint now 330 90 011'
hold_until Escape "main menu again" 'tint now 300 100 011' '! tint now 250 30 110'
shot now
entries again
same english again || fail "the main menu is not in English after opening the options"
grep -qx "language = en" "$settings" || fail "opening the options changed the language saved"
wait_for "no volume 40 after a restart" 'grep -qx "volume 40" "$KORVALEN_SOUND_LOG"'
# F8's sound off is kept too, and so is its sound back on
tap_until F8 "muted = yes" "$settings"
close_window "after F8"
open_game "$root"
shows "main menu after F8 and a restart" 'tint now 300 100 011'
wait_for "not muted after a restart" 'grep -qx "volume 40 muted" "$KORVALEN_SOUND_LOG"'
tap_until F8 "muted = no" "$settings"
wait_for "no sound back on F8" 'grep -qx "volume 40" "$KORVALEN_SOUND_LOG"'
close_window "after the restart"
echo "menu options: ok"
