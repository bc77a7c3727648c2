#!/usr/bin/env bash
# Runs a command inside its own Xvfb server (1280 x 1024 x 24 unless
# KORVALEN_XVFB_SCREEN says otherwise), so tests need no display of their own.
# Xvfb picks a free display number itself and writes it once it takes clients,
# so tests started side by side never share or race for a server.
set -u
screen=${KORVALEN_XVFB_SCREEN:-1280x1024x24}
numfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
xpid=$!
trap 'kill $xpid 2>/dev/null; wait $xpid 2>/dev/null; rm -f "$numfile"' EXIT
for _ in $(seq 1 200); do
  [ -s "$numfile" ] && break
  kill -0 $xpid 2>/dev/null || break
  sleep 0.05
done
n=$(tr -dc 0-9 < "$numfile")
if [ -z "$n" ]; then
  echo "with_xvfb: could not start Xvfb" >&2
  exit 1
fi
DISPLAY=:$n "$@"
