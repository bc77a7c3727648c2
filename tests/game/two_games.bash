# Two games, each under its own X server: the host's and the guest's. Sourced after
# game_lib.bash by the online tests; helper holds a relay's or a stand-in peer's process,
# servers the meeting servers'.
declare -A pid=([host]="" [guest]="") display
xvfb=() helper="" servers=""
trap 'stop_pid "$servers"; for p in "${pid[@]}" "$helper" "$wm_pid" "${xvfb[@]}"; do stop_pid "$p"; done
      rm -rf "$work"' EXIT

# Starts the host's and the guest's X servers.
start_two_displays() {
  local side
  for side in host guest; do
    start_x 1280x1024x24
    display[$side]=$DISPLAY xvfb+=("$xvfb_pid")
  done
}

# The scratch tree, both X servers and a game on each, with these arguments; a side's own
# sockets bind to ice_bind[SIDE] when it is set. Each side's standard output is SIDE.out.
declare -A ice_bind=()
start_two_games() {
  make_tree
  start_two_displays
  local side
  for side in host guest; do
    if [ -n "${ice_bind[$side]:-}" ]; then
      KORVALEN_ICE_BIND=${ice_bind[$side]} start_side $side "$@"
    else
      start_side $side "$@"
    fi
    mv "$work/stdout" "$work/$side.out"
  done
}

# The meeting servers of server/run.sh on loopback, their URL in url. A system without
# them skips the test.
start_meeting_servers() {
  PATH=$PATH:/usr/sbin
  local tool
  for tool in turnserver mosquitto nginx; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
  done
  "$root/server/run.sh" >"$work/servers.out" 2>&1 &
  servers=$!
  wait_for "the servers never printed their URL" '[ -s "$work/servers.out" ] || ! kill -0 $servers'
  url=$(head -n 1 "$work/servers.out")
  [[ $url == http://127.0.0.1:* ]] || fail "run.sh's first line is no URL: $url"
}

# A failure shows what both games said, and where each stood: running or not, its window
# mapped or not, whether its frames still read the keys, and the screen its recording
# reached.
eval "$(declare -f fail | sed '1s/fail/fail_alone/')"
fail() {
  local side
  for side in host guest; do
    [ -s "$work/$side.err" ] && sed "s/^/$side: /" "$work/$side.err" >&2
    [ -n "${display[$side]:-}" ] && where_it_stood "$side" 2>&1 | sed "s/^/$side: /" >&2
  done
  fail_alone "$@"
}
where_it_stood() {
  local game_pid=${pid[$1]} DISPLAY=${display[$1]} from flags
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
    from=$(key_frames)
    sleep 1
    echo "running; frames that read the keys: $from, a second later $(key_frames)"
  else
    echo "not running"
  fi
  LANG=C xwininfo -root -tree 2>/dev/null | grep -F '"Korvalen": ' | while read -r id _; do
    LANG=C xwininfo -id "$id" | grep -E "Map State|Absolute upper-left|Width|Height" | tr -s ' \n' ' '
    echo
  done
  [ -s "$work/$1.rec" ] || return 0
  flags=$(replays "$work/$1.rec" 2>&1 | grep -E "^korvalen-replay|^frame |^(active|Start_Menu|Menu|Help|Info|Nastavenia|New_Nastavenia|End|QNew|QNastavenia|QExit|New|Exit|done|frames) " | tr '\n' ' ')
  echo "its recording so far: $flags"
}
# With KORVALEN_SCREENSHOTS=DIR the picture last looked at is kept there as $1.png.
keep() { [ -z "${KORVALEN_SCREENSHOTS:-}" ] || cp "$work/now.png" "$KORVALEN_SCREENSHOTS/$1.png"; }

# Points the game_lib helpers (screens, keys, liveness) at one of the two games.
use() { DISPLAY=${display[$1]} game_pid=${pid[$1]}; }
# A free UDP port on loopback.
port() { python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
# Starts one side's game with the given arguments.
start_side() {
  local side=$1
  shift
  DISPLAY=${display[$side]} start_game "$work/tree" --window "$@"
  pid[$side]=$game_pid
  # the game's stderr is its file before the file takes the side's name
  wait_for "$side: no stderr" '[ "$(readlink /proc/$game_pid/fd/2)" = "$work/stderr" ]'
  mv "$work/stderr" "$work/$side.err"
  use "$side"
}
# Waits for one side's game to end and checks its exit code.
side_ends() {
  use "$1"
  ends_with "$2" "$1"
  pid[$1]=""
}
# Both games show the main menu ($1 says when).
main_menu_on_both() {
  for side in host guest; do
    use $side
    shows "$side: main menu ${1:-}" 'tint now 300 100 011' '! tint now 24 177 100'
  done
}
# Side $1's box says $2 (its stderr too); it is answered with Return.
told() {
  use "$1"
  box=$(find_window OZNAM) || fail "$1: no box for \"$2\""
  grep -qF "korvalen: OZNAM: $2" "$work/$1.err" || fail "$1: \"$2\" is not on stderr"
  answer_box "$box" Return
}
# Starts the relay of lossy_relay.py, losing $1 % and blacking out for $2 s on SIGUSR1, from
# relay_port to the host's port p (both new); what it prints goes to relay.out. Seeded:
# KORVALEN_RELAY_SEED repeats a run.
start_relay() {
  local seed=${KORVALEN_RELAY_SEED:-$RANDOM}
  relay_port=$(port) p=$(port)
  echo "$(basename "$0" .sh): relay seed $seed"
  python3 "$(dirname "$0")/lossy_relay.py" "$relay_port" "$p" "$seed" "$1" "$2" >"$work/relay.out" &
  helper=$!
}
