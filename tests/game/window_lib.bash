# Shared by the game tests (sourced, not run): an Xvfb of their own, the game in
# the background, windows found by title, keys typed into them, screenshots.
# Everything started here is stopped on exit, whatever happens.

game_pid=""
xvfb_pid=""
wm_pid=""
work=$(mktemp -d)

# Stops a process; a game held in a message box only notes SIGTERM, so it gets SIGKILL.
stop_pid() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null
  for _ in $(seq 1 30); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}
cleanup() {
  stop_pid "$game_pid"
  stop_pid "$wm_pid"
  stop_pid "$xvfb_pid"
  rm -rf "$work"
}
source "$(dirname "${BASH_SOURCE[0]}")/../xvfb_lib.bash"
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/stderr" ] && { echo "--- game stderr:" >&2; cat "$work/stderr" >&2; }
  exit 1
}

# Starts an Xvfb with the given screen (e.g. 1280x1024x24) on a free display.
start_x() {
  start_xvfb "$1" || fail "could not start Xvfb"
}

# Starts openbox as the window manager and waits until it has taken the screen.
start_wm() {
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    sleep 0.1
  done
  fail "openbox did not start"
}

# Waits up to 10 seconds until xwininfo says window $1 is in map state $2.
wait_map_state() {
  for _ in $(seq 1 100); do
    xwininfo -id "$1" 2>/dev/null | grep -q "Map State: $2" && return 0
    sleep 0.1
  done
  fail "window $1 never became $2"
}

# Starts the game from the given folder (it needs Data/ and s_1.txt there).
start_game() {
  local dir=$1
  (cd "$dir" && exec "$game") >"$work/stdout" 2>"$work/stderr" &
  game_pid=$!
}

# Waits up to $1 seconds for the game to end; code is its exit code or "running".
wait_exit() {
  local t
  code=running
  for t in $(seq 1 $(($1 * 10))); do
    if ! kill -0 "$game_pid" 2>/dev/null; then
      wait "$game_pid"
      code=$?
      game_pid=""
      return 0
    fi
    sleep 0.1
  done
}

# Prints the id of the window titled exactly $1 (a window manager may have framed it),
# waiting up to $2 seconds.
find_window() {
  local t id
  for t in $(seq 1 $(($2 * 10))); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -F " \"$1\": " | awk '{print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$game_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Holds a key down long enough for the game to see it in a frame (or $2 seconds), then lets go.
press() {
  xdotool keydown "$1"
  sleep "${2:-0.3}"
  xdotool keyup "$1"
  sleep 0.3
}

# Answers a message box: focus it and type the key (Return or Escape).
answer_box() {
  wait_map_state "$1" IsViewable
  xdotool windowfocus "$1" && sleep 0.2 && xdotool key "$2"
}

# Asks the window to close, as a window manager's close button does.
close_window() {
  if [ ! -x "$work/close" ]; then
    c++ -x c++ -o "$work/close" - -lX11 <<'EOF' || fail "cannot build the close helper"
#include <X11/Xlib.h>
#include <cstdlib>
int main(int, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  Window w = strtoul(argv[1], nullptr, 0);
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = XInternAtom(d, "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XCloseDisplay(d);
  return 0;
}
EOF
  fi
  "$work/close" "$1"
}

# Screenshot of the whole screen into $work/$1.
shot() { import -window root "$work/$1"; }
