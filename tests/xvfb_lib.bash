# Starts an Xvfb with screen $1 (e.g. 1280x1024x24), exports DISPLAY, leaves its pid in
# xvfb_pid. Xvfb picks a free display itself, so parallel tests never share or race for one;
# one that dies before taking clients (a display just freed may be locked) is retried twice.
start_xvfb() {
  local numfile errfile n="" attempt
  numfile=$(mktemp)
  errfile=$(mktemp)
  for attempt in 1 2 3; do
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$numfile" >/dev/null 2>"$errfile" &
    xvfb_pid=$!
    for _ in $(seq 1 600); do
      [ -s "$numfile" ] && break
      kill -0 $xvfb_pid 2>/dev/null || break
      sleep 0.05
    done
    n=$(tr -dc 0-9 < "$numfile")
    [ -n "$n" ] && break
    kill $xvfb_pid 2>/dev/null
    wait $xvfb_pid 2>/dev/null
  done
  [ -n "$n" ] || sed "s/^/Xvfb (attempt $attempt): /" "$errfile" >&2
  rm -f "$numfile" "$errfile"
  [ -n "$n" ] || return 1
  export DISPLAY=:$n
}
