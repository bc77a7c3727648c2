# Starts an Xvfb with the given screen (e.g. 1280x1024x24) and exports DISPLAY;
# its process id is left in xvfb_pid. Xvfb picks a free display number itself
# and writes it once it takes clients, so tests started side by side never share
# or race for a server. A server that dies before it takes clients (a display just
# freed by another can still be locked a moment) is started again, twice at most;
# when none comes up, Xvfb's own words go to standard error and this returns non-zero.
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
