# Shared by the server tests: skipping in one line, one line a case, loopback ports,
# a test certificate, and running a server as nobody when the test runs as root.
PATH=$PATH:/usr/sbin:/sbin
server=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../server" && pwd)
skip() { echo "SKIP: $*"; exit 77; }
need() { for tool; do command -v "$tool" >/dev/null || skip "$tool is missing"; done; }
failures=0
check() {  # WHAT COMMAND...: one line, counted when it fails
  local what=$1
  shift
  if "$@"; then echo "ok    $what"; else echo "FAIL  $what"; failures=$((failures + 1)); fi
}
free_port() {  # a TCP port of 127.0.0.1 nobody holds (the kernel picks it)
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
test_certificate() {  # DIR NAME: DIR/fullchain.pem and DIR/privkey.pem for NAME and 127.0.0.1
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=$2" \
    -addext "subjectAltName=DNS:$2,IP:127.0.0.1" -keyout "$1/privkey.pem" -out "$1/fullchain.pem" 2>/dev/null
  chmod 644 "$1/privkey.pem"
}
as_nobody=()
if [ "$(id -u)" = 0 ]; then as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups); fi
