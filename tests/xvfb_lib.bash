# Starts an Xvfb with screen $1 (e.g. 1280x1024x24), exports DISPLAY, leaves its pid in
# xvfb_pid. Xvfb picks a free display itself, so parallel tests never share or race for one;
# one that dies before taking clients (a display just freed may be locked) is retried twice.
start_xvfb() {
  local dir n="" attempt
  dir=$(mktemp -d)
  mkfifo "$dir/number"
  for attempt in 1 2 3; do
    # Xvfb writes its display number to the pipe once it takes clients; dead, it ends the pipe.
    # -noreset: without it the server starts afresh each time its last client leaves, and
    # a client connecting meanwhile (openbox while a probe's xprop ends) is refused or cut.
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$dir/number" >/dev/null 2>"$dir/err" &
    xvfb_pid=$!
    read -r -t 30 n <"$dir/number"
    [ -n "$n" ] && break
    kill $xvfb_pid 2>/dev/null
    wait $xvfb_pid 2>/dev/null
  done
  [ -n "$n" ] || sed "s/^/Xvfb (attempt $attempt): /" "$dir/err" >&2
  rm -rf "$dir"
  [ -n "$n" ] || return 1
  export DISPLAY=:$n
}

# Starts openbox on $DISPLAY and waits until it announces itself (the window named by the
# root's _NET_SUPPORTING_WM_CHECK exists); leaves its pid in wm_pid. Openbox that ended or
# stayed silent for 15 s is stopped and started again, said on standard error with what it
# printed, until $1 seconds (default 120) are gone; then it returns 1.
start_openbox() {
  local limit=${1:-120} log tries=0 end try_end id
  log=$(mktemp)
  end=$((SECONDS + limit))
  while [ $SECONDS -lt $end ]; do
    tries=$((tries + 1))
    openbox --sm-disable >"$log" 2>&1 &
    wm_pid=$!
    try_end=$((SECONDS + 15))
    while [ $SECONDS -lt $try_end ] && kill -0 "$wm_pid" 2>/dev/null; do
      id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/{print $NF}')
      if [ -n "$id" ] && xprop -id "$id" _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1; then
        rm -f "$log"
        return 0
      fi
      sleep 0.1
    done
    if kill -0 "$wm_pid" 2>/dev/null; then
      echo "openbox (start $tries) did not announce itself in 15 s; started again" >&2
    else
      wait "$wm_pid"
      echo "openbox (start $tries) ended with code $?; started again" >&2
    fi
    sed 's/^/  openbox: /' "$log" >&2
    kill "$wm_pid" 2>/dev/null
    wait "$wm_pid" 2>/dev/null
  done
  rm -f "$log"
  wm_pid=""
  return 1
}
