# Starts an Xvfb with screen $1 (e.g. 1280x1024x24), exports DISPLAY, leaves its pid in
# xvfb_pid. Xvfb picks a free display itself, so parallel tests never share or race for one;
# one that dies before taking clients (a display just freed may be locked) is retried twice.
start_xvfb() {
  local dir n="" attempt
  dir=$(mktemp -d)
  mkfifo "$dir/number"
  for attempt in 1 2 3; do
    # Xvfb writes its display number to the pipe once it takes clients; dead, it ends the pipe.
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$dir/number" >/dev/null 2>"$dir/err" &
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
