#!/usr/bin/env bash
# Checks the production configuration of Korvalen's servers (README.md puts it under /etc)
# before they are started or restarted: nginx with `nginx -t`; mosquitto and coturn, which
# have no checker of their own, by starting each on the real configuration inside a
# network namespace of their own for a few seconds and reading what they say; then what
# none of them can know: the two copies of the TURN secret agree and are no placeholder,
# every denied relay range of the shipped turnserver.conf is still there, and the firewall
# snippet parses. Nothing is bound on the machine's own network.
#
#   server/check.sh    (also: server/run.sh --check)    as root; exit status 1 on a fault
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
PATH=$PATH:/usr/sbin:/sbin
[ "$(id -u)" = 0 ] || { echo "check.sh: run it as root: it reads the secrets and certificates as the servers do" >&2; exit 2; }

faults=0
ok() { echo "ok     $*"; }
fault() { echo "FAULT  $*"; faults=$((faults + 1)); }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- nginx: its own test reads every file, certificates included.
if out=$(nginx -t -q 2>&1); then ok "nginx -t"; else fault "nginx -t:"; echo "$out" | sed 's/^/       /'; fi

# --- the TURN secret: coturn and nginx must hold the same one, and a real one.
turn_conf=/etc/turnserver.conf
secret_conf=/etc/nginx/korvalen-turn-secret.conf
turn_secret=$(sed -n 's/^[[:space:]]*static-auth-secret=//p' "$turn_conf" 2>/dev/null | tail -n 1)
nginx_secret=$(sed -n 's/^[[:space:]]*js_var[[:space:]]*\$korvalen_turn_secret[[:space:]]*"\(.*\)";.*/\1/p' \
  "$secret_conf" 2>/dev/null | tail -n 1)
if [ -z "$turn_secret" ] || [ "$turn_secret" = CHANGE-ME ] || [ ${#turn_secret} -lt 16 ]; then
  fault "$turn_conf: static-auth-secret is missing, the placeholder or under 16 characters"
elif [ "$turn_secret" != "$nginx_secret" ]; then
  fault "$secret_conf and $turn_conf hold different secrets: coturn would refuse every credential"
else
  ok "the TURN secret is set, the same in coturn and nginx"
fi
if [ -e "$secret_conf" ] && [ -n "$(find "$secret_conf" -perm /o+r)" ]; then
  fault "$secret_conf can be read by every user (chmod 640, owner root:www-data)"
fi

# --- the relay's denied ranges: every one the shipped file names, none allowed back.
missing=$(grep -E '^denied-peer-ip=' "$here/coturn/turnserver.conf" | grep -vxFf <(tr -d ' \t' <"$turn_conf") || true)
if [ -n "$missing" ]; then
  fault "$turn_conf lacks denied relay ranges:"; echo "$missing" | sed 's/^/       /'
else
  ok "every private, loopback, link-local and special-purpose relay range is denied"
fi
if grep -qE '^[[:space:]]*(allow-loopback-peers|allowed-peer-ip)' "$turn_conf"; then
  fault "$turn_conf lets the relay reach loopback or allowed ranges back in (allow-loopback-peers / allowed-peer-ip)"
fi

# A server started in a network namespace of its own: loopback and one veth with a
# documentation address, so it finds an address to listen on and nothing leaves it.
# unshare and sh exec, so the server keeps the pid the caller got.
namespace_setup='ip link set lo up && ip link add k0 type veth peer name k1 &&
  ip addr add 192.0.2.10/24 dev k0 && ip link set k0 up && ip link set k1 up && exec "$@"'

# Starts NAME's command in its namespace, until it holds a socket there (the namespace
# is its alone) or dies, and a second more for what it says once up; true if it came up.
start_test() {  # NAME COMMAND...
  local name=$1 pid up=1
  shift
  unshare -n sh -c "$namespace_setup" sh stdbuf -oL -eL "$@" >"$tmp/$name.out" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    kill -0 $pid 2>/dev/null || break
    if awk '$4 == "0A" || $4 == "07"' /proc/$pid/net/tcp /proc/$pid/net/udp 2>/dev/null | grep -q ':'; then
      up=0
      sleep 1
      break
    fi
    sleep 0.1
  done
  kill -0 $pid 2>/dev/null || up=1
  kill $pid 2>/dev/null
  wait $pid 2>/dev/null
  if kill -0 $pid 2>/dev/null; then kill -KILL $pid; fi
  return $up
}

# --- mosquitto: Debian's mosquitto.conf and its conf.d, logging to standard output.
if [ -f /etc/mosquitto/mosquitto.conf ]; then
  { echo "log_dest stdout"
    grep -vE '^[[:space:]]*(log_dest|pid_file)' /etc/mosquitto/mosquitto.conf
    echo "persistence false"
    echo "log_type all"; } >"$tmp/mosquitto.conf"
  if start_test mosquitto mosquitto -c "$tmp/mosquitto.conf" &&
    ! grep -qiE 'error' "$tmp/mosquitto.out"; then
    ok "mosquitto starts on its configuration"
  else
    fault "mosquitto does not start on its configuration:"; grep -iE 'error|warn' "$tmp/mosquitto.out" | sed 's/^/       /'
  fi
  for f in /etc/mosquitto/korvalen.acl /etc/mosquitto/korvalen-bridges.passwd; do
    [ -s "$f" ] || fault "$f is missing or empty"
  done
else
  fault "no /etc/mosquitto/mosquitto.conf (apt-get install mosquitto)"
fi

# --- coturn: as Debian's service runs it (user turnserver, no pid file); warnings about
# certificates or options are faults here.
if [ -f "$turn_conf" ]; then
  as_turnserver=()
  id turnserver >/dev/null 2>&1 && as_turnserver=(setpriv --reuid=turnserver --regid=turnserver --init-groups)
  if start_test coturn "${as_turnserver[@]}" \
    turnserver -c "$turn_conf" --pidfile= --log-file stdout &&
    ! grep -E '(ERROR|WARNING):' "$tmp/coturn.out" | grep -vq 'cannot find .*/var/db/\|CLI'; then
    ok "coturn starts on its configuration, TLS included"
  else
    fault "coturn complains about its configuration:"
    grep -E '(ERROR|WARNING):|Bad configuration' "$tmp/coturn.out" | sort -u | sed 's/^/       /'
  fi
else
  fault "no $turn_conf (apt-get install coturn)"
fi

# --- the firewall snippet, if the machine uses it.
fw=/etc/nftables.d/korvalen.nft
if [ -f $fw ]; then
  if out=$(nft -c -f $fw 2>&1); then ok "nft -c -f $fw"; else fault "$fw:"; echo "$out" | sed 's/^/       /'; fi
else
  echo "note   no $fw: limit new connections to port 8883 another way (README.md)"
fi

if [ $faults -gt 0 ]; then
  echo "check.sh: $faults fault(s); fix them before starting the servers"
  exit 1
fi
echo "check.sh: the configuration is ready to start"
