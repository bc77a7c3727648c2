#!/usr/bin/env bash
# Checks the Debian package the way a player meets it: a fresh Debian 12 (minbase) root
# made with debootstrap, `apt-get install ./korvalen_*.deb` pulling in what it needs,
# the game started from /tmp in that root shows its main menu (on an Xvfb of the host),
# and `dpkg -r korvalen` takes every file it installed away again.
# Needs root, debootstrap, Xvfb and ImageMagick, the network to a Debian mirror and a few
# minutes. Usage: sudo tools/deb_check.sh [PACKAGE.deb]   (default: builds one in build/)
# KEEP_ROOT=1 leaves the root in place for a look; MIRROR overrides apt's own mirror.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" = 0 ] || { echo "deb_check: needs root (debootstrap, chroot, mount)" >&2; exit 1; }
for tool in debootstrap Xvfb import; do
  command -v $tool >/dev/null || { echo "deb_check: $tool is missing" >&2; exit 1; }
done

deb=${1:-}
if [ -z "$deb" ]; then
  cmake -S "$here" -B "$here/build" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
  cmake --build "$here/build" -j2 >/dev/null
  (cd "$here/build" && cpack -G DEB >/dev/null)
  deb=$(ls "$here"/build/korvalen_*_amd64.deb)
fi
deb=$(realpath "$deb")

# The mirror apt already uses here, else Debian's own.
mirror=${MIRROR:-$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -oE '^(URIs:|deb) +[^ ]+' | grep -v security | head -n 1 | awk '{print $2}' || true)}
mirror=${mirror:-http://deb.debian.org/debian}

root=$(mktemp -d /var/tmp/korvalen-root.XXXXXX)
chmod 755 "$root"  # apt's own user reads the root's files
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  for m in tmp/.X11-unix dev/pts dev proc; do umount "$root/$m" 2>/dev/null || true; done
  [ "${KEEP_ROOT:-0}" = 1 ] && echo "root kept in $root" || rm -rf "$root"
}
trap cleanup EXIT
step() { echo "== $*"; }
in_root() {
  chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/games HOME=/root \
    DEBIAN_FRONTEND=noninteractive "$@"
}

step "debootstrap bookworm (minbase) from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
  { tail -20 "$root.log"; exit 1; }
rm -f "$root.log"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
before=$(in_root dpkg-query -W -f='${Package}\n' | wc -l)
in_root apt-get install -y -qq "/tmp/$(basename "$deb")" >/dev/null
after=$(in_root dpkg-query -W -f='${Package}\n' | wc -l)
echo "packages: $before before, $after after (korvalen and $((after - before - 1)) it pulled in)"
in_root dpkg-query -W -f='${Status} ${Version}\n' korvalen

step "korvalen from /tmp under Xvfb"
source "$here/tests/xvfb_lib.bash"
start_xvfb 1280x1024x24 || { echo "deb_check: no Xvfb" >&2; exit 1; }
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
in_root korvalen --version
chroot "$root" env -i PATH=/usr/bin:/bin:/usr/games DISPLAY="$DISPLAY" HOME=/root \
  sh -c 'cd /tmp && exec korvalen' >"$root/tmp/out" 2>&1 &
game_pid=$!
shot=$(mktemp --suffix=.png)
menu=0
for _ in $(seq 1 100); do
  kill -0 "$game_pid" 2>/dev/null || break
  import -window root "$shot" 2>/dev/null || true
  # "New" highlighted in cyan on the main menu.
  menu=$(convert "$shot" -crop 120x40+590+205 +repage -fuzz 25% -fill black +opaque cyan \
    -fill white -opaque cyan -colorspace gray -format "%[fx:round(mean*w*h)]" info: 2>/dev/null || echo 0)
  [ "$menu" -ge 50 ] && break
  sleep 0.5
done
cat "$root/tmp/out"
[ "$menu" -ge 50 ] || { echo "FAIL: no main menu (screenshot: $shot)"; exit 1; }
echo "main menu shown ($menu cyan pixels of \"New\"; screenshot: $shot)"
kill "$game_pid"
wait "$game_pid" 2>/dev/null || true
game_pid=""

step "dpkg -r korvalen"
in_root dpkg-query -L korvalen >"$root/tmp/files"
installed=$(while read -r f; do [ -f "$root$f" ] && echo; done <"$root/tmp/files" | wc -l)
in_root dpkg -r korvalen >/dev/null
left=0
while read -r f; do
  [ -f "$root$f" ] && { echo "left behind: $f"; left=$((left + 1)); }
done <"$root/tmp/files"
echo "files installed: $installed, left after removal: $left"
[ "$left" = 0 ] || exit 1
echo "deb_check: ok"
