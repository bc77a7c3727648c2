#!/usr/bin/env bash
# Checks server/run.sh the way an operator meets it: a fresh Debian 12 (minbase) root made
# with debootstrap, the install line of server/README.md, then run.sh started as root in
# that root: its first line is the URL, the URL answers with the discovery file and with
# credentials, and SIGTERM stops all three servers. The servers listen on 127.0.0.1 only;
# the root's services are kept from starting (policy-rc.d) so nothing takes 80 or 1883.
# Needs root, debootstrap, the network to a Debian mirror and a few minutes: it is not part
# of the default test run. Usage: sudo tools/server_root_check.sh   (KEEP_ROOT=1, MIRROR)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" = 0 ] || { echo "server_root_check: needs root (debootstrap, chroot, mount)" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "server_root_check: debootstrap is missing" >&2; exit 1; }
started=$(date +%s)

mirror=${MIRROR:-$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -oE '^(URIs:|deb) +[^ ]+' | grep -v security | head -n 1 | awk '{print $2}' || true)}
mirror=${mirror:-http://deb.debian.org/debian}
install_line=$(grep -m 1 -E '^ +apt-get install ' "$here/server/README.md" | sed 's/^ *//')
[ -n "$install_line" ] || { echo "server_root_check: no install line in server/README.md" >&2; exit 1; }

root=$(mktemp -d /var/tmp/korvalen-server-root.XXXXXX)
chmod 755 "$root"
runner=""
cleanup() {
  [ -n "$runner" ] && kill "$runner" 2>/dev/null && sleep 2
  for m in proc dev/pts dev; do umount "$root/$m" 2>/dev/null || true; done
  if [ "${KEEP_ROOT:-0}" = 1 ]; then
    echo "root kept in $root"
  elif grep -q " $root/" /proc/mounts; then
    echo "server_root_check: $root is still mounted on; not removing it" >&2
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
step() { echo "== $* ($(($(date +%s) - started)) s)"; }
in_root() {
  chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    DEBIAN_FRONTEND=noninteractive "$@"
}

step "debootstrap bookworm (minbase) from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 || { tail -20 "$root.log"; exit 1; }
rm -f "$root.log"
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

step "$install_line"
in_root apt-get update -qq
in_root sh -c "$install_line -y -qq" >/dev/null
in_root dpkg-query -W -f='${Package} ${Version}\n' coturn mosquitto nginx-light libnginx-mod-http-js

step "server/run.sh as root in the fresh root"
mkdir -p "$root/opt/korvalen"
cp -r "$here/server" "$root/opt/korvalen/"
out=$root/tmp/run.out
# Not through in_root: $! must be the process that becomes run.sh (chroot and env exec).
chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root bash /opt/korvalen/server/run.sh >"$out" 2>&1 &
runner=$!
for _ in $(seq 1 600); do
  grep -q '^stop with' "$out" 2>/dev/null && break
  kill -0 $runner 2>/dev/null || break
  sleep 0.1
done
cat "$out"
url=$(head -n 1 "$out")
[[ $url =~ ^http://127\.0\.0\.1:([0-9]+)$ ]] || { echo "FAIL: the first line is not the URL"; exit 1; }
port=${BASH_REMATCH[1]}
fetch() {  # PATH: the body of GET http://127.0.0.1:PORT/PATH, with bash alone
  exec 3<>/dev/tcp/127.0.0.1/$port
  printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$1" >&3
  sed '1,/^\r$/d' <&3
  exec 3<&-
}
discovery=$(fetch /korvalen-server.json)
credentials=$(fetch '/turn-credentials?room=ABC234')
echo "discovery: $discovery"
echo "credentials: $credentials"
grep -q '"mqtt_ws":"ws://127.0.0.1:'"$port"'/mqtt"' <<<"$discovery" || { echo "FAIL: no discovery file"; exit 1; }
grep -q '"username":"[0-9]*:ABC234"' <<<"$credentials" || { echo "FAIL: no credentials"; exit 1; }
# The servers are the processes whose root is this one.
servers() {
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] || continue
    grep -qxE 'turnserver|mosquitto|nginx' "$p/comm" 2>/dev/null && echo "$(stat -c %U "$p") $(cat "$p/comm")"
  done
}
servers | sort | uniq -c

step "SIGTERM"
kill -TERM $runner
for _ in $(seq 1 100); do kill -0 $runner 2>/dev/null || break; sleep 0.1; done
left=$(servers | wc -l)
kill -0 $runner 2>/dev/null && { echo "FAIL: run.sh still runs"; exit 1; }
[ "$left" = 0 ] || { echo "FAIL: $left server process(es) left"; exit 1; }
runner=""
step "server_root_check: ok"
