#!/usr/bin/env bash
# The online soak: two real games under two Xvfb servers on loopback, watched for memory
# (VmRSS, kB) and open descriptors. Not a test: it prints figures to judge.
#   tools/online_soak.sh guests [N]      a host stays through N guests in a row (default 20):
#                                         each joins, reaches the main menu and closes its
#                                         window; the host after each
#   tools/online_soak.sh play [SECONDS]  host and guest through the lossy relay (1 in 10
#                                         lost, 1 in 10 twice, 20 to 60 ms late) for SECONDS
#                                         (default 600), playing matches on random keys at
#                                         level 3; both every 30 s
# BUILD (default build/) holds the game.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-}
[ "$mode" = guests ] || [ "$mode" = play ] || { sed -n 2,11p "$0" >&2; exit 2; }
source "$root/tests/game/game_lib.bash" "${BUILD:-$root/build}/korvalen" "$root"
source "$root/tests/game/two_games.bash"
# The relay as the online tests start it, found from here.
start_relay() {
  relay_port=$(port) p=$(port)
  python3 "$root/tests/game/lossy_relay.py" "$relay_port" "$p" "${KORVALEN_RELAY_SEED:-$RANDOM}" \
    "$1" "$2" >"$work/relay.out" &
  helper=$!
}

# One game's figures: memory (kB) and open descriptors.
figures() { echo "$(awk '/^VmRSS/{print $2}' /proc/$1/status) $(ls /proc/$1/fd | wc -l)"; }

make_tree
start_two_displays
if [ "$mode" = guests ]; then
  p=$(port)
  start_side host --speed 3 --host "$p"
  shows "host: the waiting screen" 'tint now 60 200 110'
  printf "%-6s %10s %12s\n" guest "host kB" "host fds"
  printf "%-6s %10s %12s\n" 0 $(figures "${pid[host]}")
  for n in $(seq 1 "${2:-20}"); do
    start_side guest --join "127.0.0.1:$p"
    main_menu_on_both "(guest $n)"
    use guest
    win=$(find_window Korvalen)
    close_window "guest $n: closing the window"
    pid[guest]=""
    told host "The other player has left."
    use host
    shows "host: waiting again after guest $n" '! tint now 300 100 011'
    printf "%-6s %10s %12s\n" "$n" $(figures "${pid[host]}")
  done
  exit 0
fi

seconds=${2:-600}
start_relay 10 0
start_side host --speed 3 --host "$p"
start_side guest --join "127.0.0.1:$relay_port"
main_menu_on_both "(through the lossy relay)"
printf "%-6s %10s %10s %10s %10s\n" s "host kB" "host fds" "guest kB" "guest fds"
keys=(e s d f a q i j k l m n space space)
start=$SECONDS next=0
while [ $((SECONDS - start)) -lt "$seconds" ]; do
  for side in host guest; do
    kill -0 "${pid[$side]}" 2>/dev/null || fail "$side ended after $((SECONDS - start)) s"
  done
  if [ $((SECONDS - start)) -ge $next ]; then
    printf "%-6s %10s %10s %10s %10s\n" $((SECONDS - start)) $(figures "${pid[host]}") $(figures "${pid[guest]}")
    next=$((next + 30))
  fi
  # a key held for a moment on either side: walking, shooting, and Space through the
  # menus, the colour screen and the end screen into the next match
  side=$([ $((RANDOM % 2)) = 0 ] && echo host || echo guest)
  key=${keys[$((RANDOM % ${#keys[@]}))]}
  DISPLAY=${display[$side]} xdotool keydown "$key"
  sleep 0.$((RANDOM % 5 + 1))
  DISPLAY=${display[$side]} xdotool keyup "$key"
done
printf "%-6s %10s %10s %10s %10s\n" $((SECONDS - start)) $(figures "${pid[host]}") $(figures "${pid[guest]}")
grep -h "korvalen:" "$work/host.err" "$work/guest.err" | sort | uniq -c
