#!/usr/bin/env bash
# Runs a command inside its own Xvfb server (1280 x 1024 x 24 unless
# KORVALEN_XVFB_SCREEN says otherwise), so tests need no display of their own.
set -u
source "$(dirname "$0")/xvfb_lib.bash"
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null' EXIT
if ! start_xvfb "${KORVALEN_XVFB_SCREEN:-1280x1024x24}"; then
  echo "with_xvfb: could not start Xvfb" >&2
  exit 1
fi
"$@"
