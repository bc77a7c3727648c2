#!/usr/bin/env bash
# Runs a command under its own Xvfb (1280x1024x24 unless KORVALEN_XVFB_SCREEN says otherwise).
set -u
source "$(dirname "$0")/xvfb_lib.bash"
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null' EXIT
if ! start_xvfb "${KORVALEN_XVFB_SCREEN:-1280x1024x24}"; then
  echo "with_xvfb: could not start Xvfb" >&2
  exit 1
fi
"$@"
