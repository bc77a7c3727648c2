#!/usr/bin/env bash
# The installed game (`cmake --install` of the game's build folder into a scratch folder),
# started from a folder without Data/, finds its data beside itself and shows the main menu;
# its command line; a missing image is named in the reason with the installed data folder.
set -u
source "$(dirname "$0")/game_lib.bash"
export KORVALEN_BOXES=stderr
stage=$work/stage
build=$(dirname "$game")
until [ -f "$build/CMakeCache.txt" ] || [ "$build" = / ]; do build=$(dirname "$build"); done
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null || fail "install failed"
for f in games/korvalen games/korvalen-replay share/man/man6/korvalen-replay.6.gz share/games/korvalen/s_{1..9}.txt share/games/korvalen/Data/system/001.bmp \
  share/applications/korvalen.desktop share/man/man6/korvalen.6.gz \
  share/metainfo/io.github.korvalen.Korvalen.metainfo.xml share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/korvalen.png \
  share/doc/korvalen/{README.md.gz,CHANGELOG.md.gz,changelog.gz,copyright} share/lintian/overrides/korvalen; do
  [ -s "$stage/usr/$f" ] || fail "not installed: $f"
done
game=$stage/usr/games/korvalen
# The menu starts the installed game by its full path, in its data folder.
desktop=$stage/usr/share/applications/korvalen.desktop
grep -qx "Exec=/usr/games/korvalen" "$desktop" || fail "desktop entry: $(grep Exec= "$desktop")"
grep -qx "Path=/usr/share/games/korvalen" "$desktop" || fail "desktop entry: no Path= to the data folder"
grep -qx "Exec=/usr/games/korvalen --bot" "$desktop" || fail "desktop entry: no action against the computer"
mkdir "$work/elsewhere"

[ "$("$game" --version)" = "korvalen 1.2.0" ] || fail "--version"
"$game" --help | grep -q "share/games/korvalen" || fail "--help does not name the data folder"
# every shipped arena is listed from the data folder, none of them missing
arenas=$(cd "$work/elsewhere" && LANGUAGE=en "$game" --arenas --lang en) || fail "--arenas"
[ "$(grep -c . <<<"$arenas")" -ge 9 ] && ! grep -q missing <<<"$arenas" &&
  grep -q "^ 6  Cross: " <<<"$arenas" || fail "--arenas: $arenas"
# one edited beside the player so that a wall stands on player 2's starting place says so
mkdir "$work/edited"
{ cat "$root/s_6.txt"; printf '%s\n' 1 19 10 1 1; } >"$work/edited/s_6.txt"
(cd "$work/edited" && "$game" --arenas --lang en) | grep -qxF \
  " 6  Cross: A great cross splits the field into four quarters (Wall 5 stands on player 2's starting place (19.5, 10.5))" ||
  fail "--arenas: the edited cross's fault is not named"
"$stage/usr/games/korvalen-replay" --help | grep -q "^Usage: korvalen-replay" ||
  fail "korvalen-replay --help"

start_x 1280x1024x24
start_game "$work/elsewhere"
shows "the staged game's main menu" 'tint now 300 100 011'
stop_pid "$game_pid"

rm "$stage/usr/share/games/korvalen/Data/world/grass.bmp"
start_game "$work/elsewhere"
ends_with 1 "missing image"
grep -qx "korvalen: reason: could not read Data/world/grass.bmp in /.*/share/games/korvalen: missing" \
  "$work/stderr" || fail "missing image: no line with its reason"
echo "install: ok"
