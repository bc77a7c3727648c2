# Two games, each under its own X server: the host's and the guest's. Sourced after
# game_lib.bash by the online tests, before their trap stops "${pid[@]}" and "${xvfb[@]}".
declare -A pid=([host]="" [guest]="") display
xvfb=()

# Starts the host's and the guest's X servers.
start_two_displays() {
  local side
  for side in host guest; do
    start_x 1280x1024x24
    display[$side]=$DISPLAY xvfb+=("$xvfb_pid")
  done
}

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
