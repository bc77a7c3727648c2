#!/usr/bin/env bash
# Korvalen's meeting servers on this machine, for trying online play and for tests:
# coturn (the relay), mosquitto (rooms and lobby) and nginx (discovery, TURN
# credentials, MQTT over WebSockets, optionally the web build), all on free ports of
# 127.0.0.1 with a development configuration (loopback peers allowed).
#
#   server/run.sh [--web DIR] [--dir DIR]
#       Prints the URL to give the game (--server URL) as its first line once all three
#       answer, then where things are; runs until SIGTERM or Ctrl-C, which stop all three.
#       --web DIR   also serve the browser build (build-web/) at the URL
#       --dir DIR   keep configuration and logs in DIR (default: a temporary folder,
#                   removed at the end)
#   server/run.sh --check
#       Checks the production installation (the files README.md puts under /etc) with
#       each server's own checker before it is started (server/check.sh; as root).
#
# Started as root, the servers run as nobody. The ports Debian's own services take
# (80, 443, 1883, 3478, 5349, 5766, 8883, 9001...) are never used: ports come from
# 20000-29999, free for both TCP and UDP.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

usage() { sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; }

web="" dir="" check=0
while [ $# -gt 0 ]; do
  case "$1" in
    --web) web=$(realpath "${2:?--web needs a folder}"); shift 2 ;;
    --dir) dir=${2:?--dir needs a folder}; shift 2 ;;
    --check) check=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "run.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

if [ $check = 1 ]; then
  exec bash "$here/check.sh"
fi

for tool in turnserver mosquitto nginx; do
  command -v $tool >/dev/null || PATH=$PATH:/usr/sbin:/sbin
  command -v $tool >/dev/null || {
    echo "run.sh: $tool is missing; install the servers with:" >&2
    echo "  apt-get install --no-install-recommends coturn mosquitto nginx-light libnginx-mod-http-js" >&2
    exit 1
  }
done
njs_module=/usr/lib/nginx/modules/ngx_http_js_module.so
[ -f $njs_module ] || { echo "run.sh: nginx's njs module is missing (apt-get install libnginx-mod-http-js)" >&2; exit 1; }
[ -z "$web" ] || [ -f "$web/index.html" ] || { echo "run.sh: no index.html in $web" >&2; exit 1; }

# Root runs nothing here: the same script again as nobody, with the folder made for it.
if [ "$(id -u)" = 0 ]; then
  if [ -n "$dir" ]; then
    mkdir -p "$dir" && chown nobody:nogroup "$dir"
  fi
  args=()
  [ -n "$web" ] && args+=(--web "$web")
  [ -n "$dir" ] && args+=(--dir "$(realpath "$dir")")
  cd /
  exec setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env -- \
    env PATH="$PATH" TMPDIR="${TMPDIR:-/tmp}" bash "$here/run.sh" "${args[@]}"
fi

own_dir=0
if [ -z "$dir" ]; then
  dir=$(mktemp -d "${TMPDIR:-/tmp}/korvalen-server.XXXXXX")
  own_dir=1
fi
mkdir -p "$dir"
dir=$(realpath "$dir")
chmod 700 "$dir"  # the shared secret is in here

pids=()
stop() {
  trap - TERM INT EXIT
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ $own_dir = 1 ] && rm -rf "$dir"
}
trap 'stop; exit 0' TERM INT
trap stop EXIT

# A port bound by nobody for TCP or UDP, v4 or v6, judged from the kernel's own tables.
taken_ports() {
  cat /proc/net/tcp /proc/net/udp /proc/net/tcp6 /proc/net/udp6 2>/dev/null |
    awk 'NR > 0 && $2 ~ /:/ { split($2, a, ":"); print a[2] }' | sort -u
}
declare -A chosen=()
free_port() {
  local taken port hex
  taken=$(taken_ports)
  for _ in $(seq 1 200); do
    port=$((20000 + RANDOM % 10000))
    printf -v hex '%04X' "$port"
    [ -n "${chosen[$port]:-}" ] && continue
    grep -qx "$hex" <<<"$taken" && continue
    chosen[$port]=1
    echo "$port"
    return 0
  done
  echo "run.sh: no free port found in 20000-29999" >&2
  return 1
}
listening() {  # PORT PROTO(tcp|udp): someone has it bound on 127.0.0.1
  local hex
  printf -v hex '0100007F:%04X' "$1"
  awk -v want="$hex" '$2 == want { found = 1 } END { exit !found }' "/proc/net/$2"
}
wait_ready() {  # NAME PID PORT PROTO LOG
  for _ in $(seq 1 300); do
    kill -0 "$2" 2>/dev/null || { echo "run.sh: $1 did not start; its log ($5):" >&2; tail -n 15 "$5" >&2; return 1; }
    listening "$3" "$4" && return 0
    sleep 0.1
  done
  echo "run.sh: $1 did not open port $3 within 30 s; its log ($5):" >&2
  tail -n 15 "$5" >&2
  return 1
}

# The configuration's own copies: everything the servers read sits in one folder.
cp "$here/mosquitto/korvalen.acl" "$here/nginx/korvalen-turn.js" "$dir/"
secret=$(head -c 33 /dev/urandom | base64 | tr '+/' '-_')
http_port=$(free_port)
mqtt_port=$(free_port)
ws_port=$(free_port)
turn_port=$(free_port)
# The relay's own ports: a band of its own, so two copies of this script rarely meet.
relay_min=$((30000 + (turn_port % 2000) * 8))
relay_max=$((relay_min + 199))

cat >"$dir/turnserver.conf" <<EOF
# Development relay: loopback only, loopback peers allowed, no TLS.
listening-ip=127.0.0.1
relay-ip=127.0.0.1
listening-port=$turn_port
min-port=$relay_min
max-port=$relay_max
realm=korvalen.test
use-auth-secret
static-auth-secret=$secret
allow-loopback-peers
no-multicast-peers
no-tls
no-dtls
no-cli
fingerprint
user-quota=12
total-quota=200
pidfile=$dir/turnserver.pid
log-file=$dir/turnserver.log
simple-log
EOF

cat >"$dir/mosquitto.conf" <<EOF
# Development broker: plain MQTT for desktops and WebSockets for nginx, both on
# loopback, with the production ACL.
per_listener_settings true
persistence false
log_dest file $dir/mosquitto.log
connection_messages true
max_keepalive 120

listener $mqtt_port 127.0.0.1
protocol mqtt
allow_anonymous true
acl_file $dir/korvalen.acl

listener $ws_port 127.0.0.1
protocol websockets
allow_anonymous true
acl_file $dir/korvalen.acl
EOF

mkdir -p "$dir/www" "$dir/nginx-temp"
cat >"$dir/www/korvalen-server.json" <<EOF
{"version":1,"mqtt":"mqtt://127.0.0.1:$mqtt_port","mqtt_ws":"ws://127.0.0.1:$http_port/mqtt","turn_credentials":"/turn-credentials"}
EOF
web_root=${web:-$dir/www}
cat >"$dir/nginx.conf" <<EOF
load_module $njs_module;
daemon off;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/nginx-error.log warn;
events { worker_connections 512; }
http {
  include /etc/nginx/mime.types;
  types { application/wasm wasm; }
  default_type application/octet-stream;
  access_log $dir/nginx-access.log;
  client_body_temp_path $dir/nginx-temp/body;
  proxy_temp_path $dir/nginx-temp/proxy;
  fastcgi_temp_path $dir/nginx-temp/fastcgi;
  uwsgi_temp_path $dir/nginx-temp/uwsgi;
  scgi_temp_path $dir/nginx-temp/scgi;
  js_path $dir;
  js_import turn from korvalen-turn.js;
  # Generous limits: tests start many games from one address.
  limit_req_zone \$binary_remote_addr zone=korvalen_turn:1m rate=50r/s;
  limit_req_zone \$binary_remote_addr zone=korvalen_mqtt:1m rate=50r/s;
  limit_req_status 429;
  map \$http_upgrade \$connection_upgrade { default upgrade; '' close; }
  server {
    listen 127.0.0.1:$http_port;
    server_name localhost;
    js_var \$korvalen_turn_secret "$secret";
    js_var \$korvalen_turn_uris "turn:127.0.0.1:$turn_port?transport=udp turn:127.0.0.1:$turn_port?transport=tcp";
    location = /korvalen-server.json {
      alias $dir/www/korvalen-server.json;
      default_type application/json;
      add_header Cache-Control no-cache;
    }
    location = /turn-credentials {
      limit_req zone=korvalen_turn burst=100 nodelay;
      js_content turn.credentials;
    }
    location = /mqtt {
      limit_req zone=korvalen_mqtt burst=100 nodelay;
      proxy_pass http://127.0.0.1:$ws_port;
      proxy_http_version 1.1;
      proxy_set_header Upgrade \$http_upgrade;
      proxy_set_header Connection \$connection_upgrade;
      proxy_read_timeout 300s;
    }
    location / {
      root $web_root;
    }
  }
}
EOF

turnserver -c "$dir/turnserver.conf" >"$dir/turnserver.out" 2>&1 &
pids+=($!)
wait_ready coturn $! "$turn_port" udp "$dir/turnserver.log"
mosquitto -c "$dir/mosquitto.conf" >"$dir/mosquitto.out" 2>&1 &
pids+=($!)
wait_ready mosquitto $! "$mqtt_port" tcp "$dir/mosquitto.log"
nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/nginx-error.log" >"$dir/nginx.out" 2>&1 &
pids+=($!)
wait_ready nginx $! "$http_port" tcp "$dir/nginx-error.log"

echo "http://127.0.0.1:$http_port"
echo "mqtt: mqtt://127.0.0.1:$mqtt_port, ws://127.0.0.1:$http_port/mqtt (broker's own: $ws_port)"
echo "turn: 127.0.0.1:$turn_port (udp and tcp), relay ports $relay_min-$relay_max"
[ -n "$web" ] && echo "web build: http://127.0.0.1:$http_port/ from $web"
echo "configuration and logs: $dir$([ $own_dir = 1 ] && echo ' (removed at the end)')"
echo "stop with Ctrl-C or SIGTERM (pid $$)"

# Until told to stop, or until one of them dies: then the others go too.
set +e
wait -n "${pids[@]}"
status=$?
echo "run.sh: a server stopped by itself (status $status); stopping the others" >&2
for log in turnserver.log mosquitto.log nginx-error.log; do tail -n 5 "$dir/$log" >&2 2>/dev/null; done
exit 1
