#!/usr/bin/env bash
# Two homes, each behind a router that masquerades (NAT) and lets nothing in, meet by a room
# code on meeting servers in a "public" network, with the production configuration of
# server/ (TLS from a test CA, the relay's denied private ranges) on a public address, and
# play through the relay. Everything lives in network namespaces made here:
#
#   home A 10.1.0.2 -- router A 10.1.0.1 | 11.0.0.2 --+
#                                                      +-- public 11.0.0.1: coturn, mosquitto, nginx
#   home B 10.2.0.2 -- router B 10.2.0.1 | 11.0.0.3 --+
#
# No packet leaves them: the public network has no way out. Afterwards the namespaces and
# the machine's own firewall rules are as before. Needs root; skipped in one line otherwise.
set -u
source "$(dirname "$0")/game_lib.bash"
source "$(dirname "$0")/two_games.bash"
PATH=$PATH:/usr/sbin:/sbin
[ "$(id -u)" = 0 ] || { echo "SKIP: the namespace lab needs root"; exit 0; }
for tool in ip nft turnserver mosquitto nginx openssl; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done

tag=kv$$
pub=${tag}pub ra=${tag}ra rb=${tag}rb ha=${tag}ha hb=${tag}hb
namespaces_before=$(ip netns list)
rules_before=$(nft list ruleset 2>&1)
lab=$work/lab servers=()
mkdir -p "$lab"
chmod 755 "$work"
at() { local ns=$1; shift; ip netns exec "$ns" "$@"; }
lab_down() {
  for p in "${servers[@]}"; do stop_pid "$p"; done
  servers=()
  # nginx's master leaves the process it was started as, so what was started from the lab's
  # own folder is ended by that name too
  [ -n "${lab:-}" ] && pkill -TERM -f -- "$lab/" 2>/dev/null
  for ns in $ha $hb $ra $rb $pub; do ip netns del $ns 2>/dev/null; done
  rm -rf /etc/netns/$ha /etc/netns/$hb
}
trap 'for p in "${pid[@]}" "$helper" "${xvfb[@]}"; do stop_pid "$p"; done; lab_down; rm -rf "$work"' EXIT

# The wires: a bridge in the public network, a link from it to each router, a link from each
# router to its home.
for ns in $pub $ra $rb $ha $hb; do
  ip netns add $ns || fail "cannot make namespace $ns"
  at $ns ip link set lo up
done
at $pub ip link add wan type bridge
at $pub ip addr add 11.0.0.1/24 dev wan
at $pub ip link set wan up
n=2
for side in a b; do
  r=${tag}r$side h=${tag}h$side net=10.$((n - 1)).0
  ip link add ${tag}w$side netns $pub type veth peer name wan netns $r
  at $pub ip link set ${tag}w$side master wan up
  at $r ip addr add 11.0.0.$n/24 dev wan
  at $r ip link set wan up
  ip link add ${tag}l$side netns $r type veth peer name lan netns $h
  at $r ip link set ${tag}l$side name lan
  at $r ip addr add $net.1/24 dev lan
  at $r ip link set lan up
  at $h ip addr add $net.2/24 dev lan
  at $h ip link set lan up
  at $h ip route add default via $net.1
  at $r sysctl -qw net.ipv4.ip_forward=1
  # a home router: out with the router's address, in only what answers
  at $r nft -f - <<EOF
table ip home {
  chain out { type nat hook postrouting priority srcnat; oifname "wan" masquerade; }
  chain in { type filter hook forward priority filter; policy drop;
             iifname "lan" accept; ct state established,related accept; }
}
EOF
  mkdir -p /etc/netns/$h
  echo "11.0.0.1 korvalen.example.org" >/etc/netns/$h/hosts
  n=$((n + 1))
done

# A test CA and the servers' certificate for korvalen.example.org.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=korvalen-lab-ca \
  -keyout "$lab/ca.key" -out "$lab/ca.pem" 2>/dev/null || fail "no test CA"
openssl req -newkey rsa:2048 -nodes -subj /CN=korvalen.example.org \
  -keyout "$lab/privkey.pem" -out "$lab/server.csr" 2>/dev/null &&
  openssl x509 -req -in "$lab/server.csr" -CA "$lab/ca.pem" -CAkey "$lab/ca.key" \
    -CAcreateserial -days 2 -out "$lab/fullchain.pem" 2>/dev/null \
    -extfile <(echo "subjectAltName=DNS:korvalen.example.org") || fail "no certificate"
chmod 644 "$lab/privkey.pem"  # mosquitto reads it as its own user

# The production files, their paths moved into the lab.
secret=$(head -c 24 /dev/urandom | base64)
src=$root/server
sed -e "s|/etc/coturn/certs|$lab|; s|^syslog|log-file=$lab/turnserver.log|; s|CHANGE-ME|$secret|" \
  "$src/coturn/turnserver.conf" >"$lab/turnserver.conf"
echo "pidfile=$lab/turnserver.pid" >>"$lab/turnserver.conf"
sed -e "s|/etc/mosquitto/certs/korvalen|$lab|; s|/etc/mosquitto/|$lab/|" \
  "$src/mosquitto/korvalen.conf" >"$lab/mosquitto.conf"
cp "$src/mosquitto/"*.acl "$src/nginx/korvalen-turn.js" "$lab/"
: >"$lab/korvalen-bridges.passwd"
mkdir -p "$lab/www" "$lab/log"
cp "$src/nginx/korvalen-server.json" "$lab/www/"
sed -e "s|CHANGE-ME|$secret|" "$src/nginx/korvalen-turn-secret.conf" >"$lab/korvalen-turn-secret.conf"
sed -e "s|/etc/nginx/njs|$lab|; s|/etc/letsencrypt/live/korvalen.example.org|$lab|;
        s|/var/log/nginx|$lab/log|; s|/etc/nginx/korvalen-turn-secret.conf|$lab/korvalen-turn-secret.conf|;
        s|/var/www/korvalen-acme|$lab/www|; s|/var/www/korvalen|$lab/www|" \
  "$src/nginx/korvalen" >"$lab/site.conf"
cat >"$lab/nginx.conf" <<EOF
load_module /usr/lib/nginx/modules/ngx_http_js_module.so;
daemon off;
pid $lab/nginx.pid;
error_log $lab/log/error.log warn;
events { worker_connections 256; }
http {
  include /etc/nginx/mime.types;
  client_body_temp_path $lab/tmp-body;
  proxy_temp_path $lab/tmp-proxy;
  fastcgi_temp_path $lab/tmp-fastcgi;
  uwsgi_temp_path $lab/tmp-uwsgi;
  scgi_temp_path $lab/tmp-scgi;
  include $lab/site.conf;
}
EOF
at $pub turnserver -c "$lab/turnserver.conf" >"$lab/turnserver.out" 2>&1 &
servers+=($!)
at $pub mosquitto -c "$lab/mosquitto.conf" >"$lab/mosquitto.out" 2>&1 &
servers+=($!)
at $pub nginx -p "$lab" -c "$lab/nginx.conf" >"$lab/nginx.out" 2>&1 &
servers+=($!)
server_up() { # PROTO PORT: something listens on 11.0.0.1 or on every address
  at $pub ss -Hln$1 "sport = :$2" | grep -q .
}
wait_for "the lab's servers did not start ($(cat "$lab"/*.out))" \
  'server_up u 3478 && server_up t 8883 && server_up t 443' 60

make_tree
chmod -R a+rX "$work/tree"
start_two_displays
room=(--server https://korvalen.example.org --server-ca "$lab/ca.pem" --relay-only)

# Each game starts in its home: the game's own start, behind ip netns exec.
wrap="ip netns exec $ha" start_side host --host-room "${room[@]}" --record "$work/host.rec"
wait_for "host: no room code" 'grep -q "^room " "$work/stdout" || ! kill -0 $game_pid'
code=$(awk '/^room /{print $2; exit}' "$work/stdout")
[ -n "$code" ] || fail "host: no room ($(cat "$work/host.err"))"
wrap="ip netns exec $hb" start_side guest --join-room "$code" "${room[@]}" --record "$work/guest.rec"
main_menu_on_both
for side in host guest; do
  grep -qx "korvalen: playing over WebRTC, through the relay" "$work/$side.err" ||
    fail "$side: not through the relay: $(cat "$work/$side.err")"
done
use host
hold_until space "host: colour screen" 'tint now 24 177 100'
hold_until space "host: match" 'tint now 252 380 010'
use guest
shows "guest: match" 'tint now 252 380 010'
xdotool keydown s keydown d
use host
hold_until Escape "pause menu" 'tint now 300 100 011' 'tint now 300 160 111'
end_and_exit
DISPLAY=${display[guest]} xdotool keyup s keyup d
side_ends host 0
side_ends guest 0
DISPLAY=${display[host]} xdotool keyup space 2>/dev/null
for side in host guest; do
  replays "$work/$side.rec" >"$work/$side.dump" || fail "$side: the recording does not run"
done
cmp -s "$work/host.dump" "$work/guest.dump" || fail "the two recordings end apart"
echo "rooms_lab_test: two homes behind NATs played through the relay ($SECONDS s)"

lab_down
[ "$(ip netns list)" = "$namespaces_before" ] || fail "the namespaces are not as before"
[ "$(nft list ruleset 2>&1)" = "$rules_before" ] || fail "the firewall rules are not as before"
echo "rooms_lab_test: namespaces and firewall rules as before"
