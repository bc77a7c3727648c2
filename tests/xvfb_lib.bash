# Starts an Xvfb with the given screen (e.g. 1280x1024x24) and exports DISPLAY;
# its process id is left in xvfb_pid. Xvfb picks a free display number itself
# and writes it once it takes clients, so tests started side by side never share
# or race for a server. Returns non-zero when no server came up.
start_xvfb() {
  local numfile n
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 200); do
    [ -s "$numfile" ] && break
    kill -0 $xvfb_pid 2>/dev/null || break
    sleep 0.05
  done
  n=$(tr -dc 0-9 < "$numfile")
  rm -f "$numfile"
  [ -n "$n" ] || return 1
  export DISPLAY=:$n
}
