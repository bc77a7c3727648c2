# Shared by the game tests, sourced with their arguments (the game binary, the repository
# root). Nothing waits a fixed time: every wait polls up to a generous deadline.
game=$(realpath "$1")
root=$(realpath "$2")
game_pid="" xvfb_pid="" wm_pid="" code=""
work=$(mktemp -d)
# The game never reads or writes a developer's own settings in a test, and speaks Slovak.
export XDG_CONFIG_HOME=$work/config
# nor the addresses a player joined last
export XDG_STATE_HOME=$work/state
unset LANGUAGE LC_ALL LC_MESSAGES
export LANG=sk_SK.UTF-8
# Every match drops the same bows, whatever the clock: a test's crops stay free of them.
export KORVALEN_MATCH_SEED=1
deadline=${KORVALEN_TEST_DEADLINE:-240}
# A machine without a sound device would add the game's line about it to standard error:
# the tests play to SDL's silent driver (the sound test picks its own).
export SDL_AUDIODRIVER=dummy
source "$(dirname "${BASH_SOURCE[0]}")/../xvfb_lib.bash"

# Stops a process; a game held in a message box only notes SIGTERM, so it gets SIGKILL.
stop_pid() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null
  for _ in $(seq 1 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}
trap 'stop_pid "$game_pid"; stop_pid "$wm_pid"; stop_pid "$xvfb_pid"; rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -n "${KORVALEN_SCREENSHOTS:-}" ] && cp "$work/now.png" "$KORVALEN_SCREENSHOTS/failed.png" 2>/dev/null
  [ -s "$work/stderr" ] && { echo "--- game stderr:" >&2; cat "$work/stderr" >&2; }
  # two games: each side's standard error under its own name
  for f in "$work"/*.err; do [ -s "$f" ] && { echo "--- ${f##*/}:" >&2; cat "$f" >&2; }; done
  exit 1
}
start_x() { start_xvfb "$1" || fail "could not start Xvfb"; }

# Polls the shell code $2 until it holds, failing with "$1" after $3 seconds (default: the
# deadline).
wait_for() {
  local end=$((${EPOCHREALTIME/[.,]/} / 1000 + ${3:-$deadline} * 1000))
  until eval "$2"; do
    [ $((${EPOCHREALTIME/[.,]/} / 1000)) -lt $end ] || fail "$1"
    sleep 0.05
  done
}

# Starts openbox as the window manager and waits until it is ready: announcing itself is
# not enough (its first start in a fresh system may lose a map request made then), so a
# probe window must come up mapped and framed. Each try maps a new probe. An openbox that
# ends or stays silent is started again within the deadline (start_openbox says so).
start_wm() {
  start_openbox "$deadline" || fail "openbox did not start"
  wait_for "openbox never framed a probe window" 'kill -0 $wm_pid && x_client probe_framed'
}

# Runs one of the X clients below ($1) under Debian's Python (python3-xlib is Debian's); their
# file stays where it is when a test moves work (the match time test does).
x_client() { /usr/bin/python3 "$clients" "$@"; }
clients=$work/x_client.py
cat >"$clients" <<'PY'
import sys, time
from Xlib import X, display
d = display.Display()
root = d.screen().root
if sys.argv[1] == "probe_framed":  # maps a window: true once it is viewable and framed
    w = root.create_window(0, 0, 10, 10, 0, X.CopyFromParent)
    w.map()
    d.sync()
    extents = d.intern_atom("_NET_FRAME_EXTENTS")
    for _ in range(100):
        if w.get_attributes().map_state == X.IsViewable and w.get_full_property(extents, X.AnyPropertyType):
            w.destroy(); d.sync(); sys.exit(0)
        time.sleep(0.02)
    sys.exit(1)
if sys.argv[1] == "close":  # what a close button sends (xdotool cannot)
    from Xlib.protocol.event import ClientMessage
    w = d.create_resource_object("window", int(sys.argv[2], 0))
    data = (32, [d.intern_atom("WM_DELETE_WINDOW"), 0, 0, 0, 0])
    w.send_event(ClientMessage(window=w, client_type=d.intern_atom("WM_PROTOCOLS"), data=data))
    d.sync()
if sys.argv[1] == "deaf_wm":  # holds the screen as a window manager that maps nothing
    root.change_attributes(event_mask=X.SubstructureRedirectMask)
    d.sync()
    print("ready", flush=True)
    while True:
        d.next_event()
PY

# Waits until xwininfo says window $1 is in map state $2 (IsViewable, IsUnMapped).
wait_map_state() {
  wait_for "window $1 never became $2" "xwininfo -id $1 2>/dev/null | grep -q 'Map State: $2'"
}
# The size of window $1 as the X server has it: WxH.
win_size() { xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }
# Minimises the game's window (a window manager must run) and waits until it is unmapped.
minimise() {
  xdotool windowminimize "$win"
  wait_map_state "$win" IsUnMapped
}
# Asks for the window back until it is: the window manager may drop a request while still
# minimising.
restore() {
  wait_for "the window never came back from minimised" "xwininfo -id $win | grep -q IsViewable ||
    { xdotool windowactivate $win 2>/dev/null; sleep 2; xwininfo -id $win | grep -q IsViewable; }"
}

# Answers a message box once it shows: focus it and type the key (Return or Escape).
answer_box() {
  wait_map_state "$1" IsViewable
  xdotool windowfocus --sync "$1" key "$2"
}

# A scratch folder to start the game in: the real images and map $1 (default the repository's).
make_tree() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"
  cp -r "$root/Data" "$work/tree/"
  cp "${1:-$root/s_1.txt}" "$work/tree/s_1.txt"
}

# Starts the game in folder $1 with the rest as its arguments (behind $wrap, if set). It
# counts the frames that read its keys in a file of its display's.
start_game() {
  local dir=$1
  shift
  rm -f "$(key_frames_file)"
  (cd "$dir" && KORVALEN_KEY_FRAMES=$(key_frames_file) exec ${wrap:-} "$game" "$@") \
    >"$work/stdout" 2>"$work/stderr" &
  game_pid=$!
}
key_frames_file() { echo "$work/key_frames.${DISPLAY##*:}"; }
# The frames that have read the keys so far in the game on this display.
key_frames() {
  local count=0
  read -r count <"$(key_frames_file)" 2>/dev/null
  echo "${count:-0}"
}
# Waits until two more frames have read the keys (the first may have read them before
# now), or the game ends; $1 says when.
frames_read_keys() {
  local from
  from=$(key_frames)
  wait_for "$1: no frame read the keys" \
    '[ "$(key_frames)" -ge $((from + 2)) ] || ! kill -0 "$game_pid" 2>/dev/null'
}
# As start_game, then waits for the game's window: its id is left in win.
open_game() {
  start_game "$@"
  win=$(find_window Korvalen) || fail "no game window"
}

# Waits for the game to end, at most $3 seconds (default: the deadline), and fails unless
# its exit code is $1 ($2 names the step).
ends_with() {
  wait_for "$2: the game still runs" '! kill -0 "$game_pid" 2>/dev/null' "${3:-}"
  wait "$game_pid"
  code=$? game_pid=""
  [ "$code" = "$1" ] || fail "$2: expected exit code $1, got $code"
}

# Prints the id of the window titled exactly $1 (framed or not), waiting up to the deadline;
# prints nothing and returns 1 when the game ends first.
find_window() {
  local title=$1 id
  wait_for "no window \"$1\" before the deadline" '
    id=$(xwininfo -root -tree 2>/dev/null | grep -F " \"$title\": " | awk "{print \$1; exit}")
    [ -n "$id" ] || ! kill -0 "$game_pid" 2>/dev/null'
  [ -n "$id" ] && echo "$id"
}

# Asks the game's window to close, as a window manager's close button does; the game must
# then end with 0 ($1: the step).
close_window() {
  x_client close "$win" || fail "cannot ask the window to close"
  ends_with 0 "$1"
}

# Plays recording $1 through korvalen-replay in the scratch folder: its dump on stdout.
replay=$(dirname "$game")/korvalen-replay
replays() { (cd "$work/tree" && "$replay" --recording "$1"); }

shot() { import -window root "$work/$1.png" 2>/dev/null || fail "no screenshot $1"; }
# Whether screenshots $1 and $2 are the same to the pixel.
same() { [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1)" = 0 ]; }

# Highest value of each channel in a rectangle of a screenshot: "r g b".
maxima() {
  convert "$work/$1.png" -crop "$4x$5+$2+$3" +repage \
    -format '%[fx:int(255*maxima.r)] %[fx:int(255*maxima.g)] %[fx:int(255*maxima.b)]' info:
}
# Where the game's 5:4 picture lies on the screen: x y width height.
picture=(0 0 1280 1024)
# Whether the text at point ($2, $3) of the 640 x 480 text space has tint $4 ("011" is
# cyan), read from its first glyph's left part on the picture; seen keeps the reading.
tint() {
  local r g b v i=0 x=${picture[0]} y=${picture[1]} w=${picture[2]} h=${picture[3]}
  read -r r g b < <(maxima "$1" $((x + $2 * w / 640)) $((y + ($3 + 4) * h / 480)) \
    $((20 * w / 1280)) $((34 * h / 1024)))
  seen="($r, $g, $b) at ($2, $3)"
  for v in $r $g $b; do
    if [ "${4:$i:1}" = 1 ]; then [ "$v" -ge 120 ] || return 1; else [ "$v" -le 40 ] || return 1; fi
    i=$((i + 1))
  done
}
# Whether anything but black is drawn in a rectangle (shot x y w h).
lit() {
  local r g b
  read -r r g b < <(maxima "$@")
  seen="($r, $g, $b) at ($2, $3)"
  [ $((r + g + b)) -gt 60 ]
}

# The middle of a cell's top face (z = 1) on the 1280 x 1024 picture: the camera looks at
# (10, 4) from 20 units up through 45 degrees, so the top lies 19 units away.
cell_px() { awk -v c="$1" 'BEGIN { printf "%d", 640 + (c + 0.5 - 10) * 640 / (19 * 0.41421356 * 1.25) }'; }
cell_py() { awk -v c="$1" 'BEGIN { printf "%d", 512 - (c + 0.5 - 4) * 512 / (19 * 0.41421356) }'; }
# Grass is drawn through pure green, so its red is nothing; a wall's stone is grey (a bow
# lying on the ground is brown or coloured: more red than blue).
wall_at() {
  local r g b
  read -r r g b < <(convert "$work/now.png" -crop "8x8+$(($(cell_px "$1") - 4))+$(($(cell_py "$2") - 4))" \
    +repage -format '%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]' info:)
  seen="($r, $g, $b) at cell ($1, $2)"
  [ "$r" -ge 60 ] && [ $((r - b)) -le 30 ]
}

# Screenshots ("now") until every check (shell code) holds, at most $1 s; seen: a failed reading.
poll() {
  local end=$((SECONDS + $1)) c ok
  shift
  while kill -0 "$game_pid" 2>/dev/null; do
    shot now
    ok=1
    for c in "$@"; do eval "$c" || { ok=""; seen="$c: ${seen:-}"; break; }; done
    [ -n "$ok" ] && return 0
    [ $SECONDS -lt $end ] || return 1
  done
  return 1
}
# As poll with the whole deadline, failing the test when the screen never shows it.
shows() {
  local what=$1
  shift
  poll "$deadline" "$@" || fail "$what: never on screen ($seen)"
}

# Holds key $1 until the screen shows the checks ($2 names the step). A key that has not
# acted is pressed anew: a release and a press between two frames leave its latch set.
hold_until() {
  local key=$1 what=$2 try
  shift 2
  for try in 1 2 3 4 5 6; do
    xdotool keydown "$key"
    poll $((deadline / 6)) "$@" && { xdotool keyup "$key"; return 0; }
    xdotool keyup "$key"
    # a key let go and pressed again before a frame read it was never let go for the game
    frames_read_keys "$what: letting $key go"
    shot now
  done
  fail "$what: never on screen after holding $key ($seen)"
}

# From the main menu into a match: New opens the colour screen, Space starts.
into_match() {
  shows "main menu" 'tint now 300 100 011'
  hold_until space "colour screen" 'tint now 24 177 100' '! tint now 300 100 011'
  hold_until space "match" 'tint now 252 380 010' 'tint now 30 370 111'
}

# From the main menu to the speed screen ($1 names the start).
speed_screen() {
  shows "$1: main menu" 'tint now 300 100 011'
  hold_until Down "$1: Nastavenia" 'tint now 270 130 011'
  hold_until space "$1: the speed screen" 'tint now 250 10 011'
}
# From the pause menu through End to the main menu.
to_main_menu() {
  hold_until Down "pause Nastavenia" 'tint now 270 130 011'
  hold_until Down "End" 'tint now 300 160 011'
  hold_until space "main menu again" 'tint now 300 100 011' 'tint now 10 420 110'
}
# From the pause menu through End to the main menu and Exit, where Space is left down.
end_and_exit() {
  to_main_menu
  hold_until Down "Nastavenia" 'tint now 270 130 011'
  hold_until Down "Exit" 'tint now 300 160 011'
  xdotool keydown space
}
