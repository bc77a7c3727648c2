#!/usr/bin/env bash
# Runs a command inside its own Xvfb server (1280 x 1024 x 24 unless
# KORVALEN_XVFB_SCREEN says otherwise), so tests need no display of their own.
set -u
screen=${KORVALEN_XVFB_SCREEN:-1280x1024x24}
for n in $(seq 90 140); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  # Wait until the server answers, not only until its socket exists.
  ready=no
  for _ in $(seq 1 200); do
    kill -0 $xpid 2>/dev/null || break
    if DISPLAY=:$n xdpyinfo >/dev/null 2>&1; then ready=yes; break; fi
    sleep 0.05
  done
  if [ $ready = yes ]; then
    trap 'kill $xpid 2>/dev/null; wait $xpid 2>/dev/null' EXIT
    DISPLAY=:$n "$@"
    exit $?
  fi
  kill $xpid 2>/dev/null; wait $xpid 2>/dev/null
done
echo "with_xvfb: could not start Xvfb" >&2
exit 1
