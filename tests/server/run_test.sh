#!/usr/bin/env bash
# server/run.sh as the game's tests use it: the URL as its first line once all three
# servers answer; discovery and credentials as the game reads them; credentials that
# its relay accepts, relaying to a loopback peer; a room code checked; SIGTERM stops
# all three and takes the folder away. Only 127.0.0.1.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.bash"
run=$server/run.sh
need turnserver mosquitto nginx mosquitto_pub python3
[ -f /usr/lib/nginx/modules/ngx_http_js_module.so ] || skip "libnginx-mod-http-js is missing"

out=$(mktemp)
peer=""
bash "$run" >"$out" 2>&1 &
runner=$!
cleanup() {
  kill $runner $peer 2>/dev/null || true
  rm -f "$out"
}
trap cleanup EXIT
for _ in $(seq 1 600); do  # the first line comes once all three answer (at most 60 s)
  [ -s "$out" ] && grep -q "^stop with" "$out" && break
  kill -0 $runner 2>/dev/null || break
  sleep 0.1
done
url=$(head -n 1 "$out")
[[ $url =~ ^http://127\.0\.0\.1:[0-9]+$ ]] || { echo "FAIL: first line is not the URL:"; cat "$out"; exit 1; }
echo "ok    first line: $url"
dir=$(sed -n 's/^configuration and logs: \([^ ]*\).*/\1/p' "$out")

given=$(mktemp)
python3 - "$url" "$given" <<'PY' || failures=$((failures + 1))
import json, sys, urllib.error, urllib.request
url = sys.argv[1]
def get(path):
    try:
        with urllib.request.urlopen(url + path, timeout=10) as answer:
            return answer.status, json.load(answer)
    except urllib.error.HTTPError as error:
        return error.code, None
status, found = get('/korvalen-server.json')
port = url.rsplit(':', 1)[1]
good = status == 200 and found['version'] == 1 and found['mqtt'].startswith('mqtt://127.0.0.1:') \
    and found['mqtt_ws'] == 'ws://127.0.0.1:%s/mqtt' % port and found['turn_credentials'] == '/turn-credentials'
print(('ok    ' if good else 'FAIL  ') + 'discovery: %s' % found)
status, given = get('/turn-credentials?room=k7m2xq')
expiry, room = given['username'].split(':') if status == 200 else ('0', '')
good = status == 200 and room == 'K7M2XQ' and given['ttl'] == 43200 and given['uris'] \
    and all(u.startswith('turn:127.0.0.1:') for u in given['uris'])
print(('ok    ' if good else 'FAIL  ') + 'credentials for a room typed in lower case: %s' % given)
bad = [code for code in ('K7M2X', 'K7M2XQQ', 'K7M2X0', 'K7M2XI', 'K7M2X%2F', '') if get('/turn-credentials?room=' + code)[0] != 400]
print(('ok    ' if not bad else 'FAIL  ') + 'codes of the wrong length or with look-alikes get 400 %s' % bad)

# MQTT over WebSockets through nginx, as a browser speaks it: CONNECT as a room, CONNACK 0.
import base64, os, socket, struct
def ws_connack(user):
    sock = socket.create_connection(('127.0.0.1', int(port)), timeout=10)
    sock.sendall(('GET /mqtt HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nUpgrade: websocket\r\n'
                  'Connection: Upgrade\r\nSec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n'
                  'Sec-WebSocket-Protocol: mqtt\r\n\r\n' % (port, base64.b64encode(os.urandom(16)).decode())).encode())
    head = b''
    while b'\r\n\r\n' not in head and len(head) < 4096:
        head += sock.recv(1)
    if b' 101 ' not in head.split(b'\r\n')[0]:
        return head.split(b'\r\n')[0]
    name = user.encode()
    body = struct.pack('!H', 4) + b'MQTT' + bytes([4, 0x82]) + struct.pack('!H', 10) \
        + struct.pack('!H', 6) + b'probe1' + struct.pack('!H', len(name)) + name
    packet, mask = bytes([0x10, len(body)]) + body, os.urandom(4)
    sock.sendall(bytes([0x82, 0x80 | len(packet)]) + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(packet)))
    frame = sock.recv(64)
    sock.close()
    return frame[2:6]
answer = ws_connack('K7M2XQ')
print(('ok    ' if answer == bytes([0x20, 2, 0, 0]) else 'FAIL  ') + 'MQTT over /mqtt: %r' % answer)

if status == 200:
    turn_port = given['uris'][0].split(':')[2].split('?')[0]
    open(sys.argv[2], 'w').write('%s %s %s\n' % (given['username'], given['password'], turn_port))
PY
read -r user pass turn <"$given" || true
rm -f "$given"

# A loopback peer (development allows it): echoes up to 20 datagrams, at most 30 s.
peer_port=$(python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
timeout 30 python3 -c '
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", int(sys.argv[1])))
for _ in range(20):
    data, sender = s.recvfrom(2048)
    s.sendto(data, sender)' "$peer_port" &
peer=$!
python3 "$here/turn_probe.py" "127.0.0.1:$turn" --given "$user" "$pass" "127.0.0.1:$peer_port" || failures=$((failures + 1))

mqtt=$(sed -n 's|^mqtt: mqtt://127.0.0.1:\([0-9]*\).*|\1|p' "$out")
check "the broker takes a room's message" mosquitto_pub -h 127.0.0.1 -p "$mqtt" -u K7M2XQ -t korvalen/rooms/K7M2XQ/host -m hi

servers=$(pgrep -P $runner | tr '\n' ' ')
alive() { for pid in $servers; do kill -0 "$pid" 2>/dev/null && return 0; done; return 1; }
kill -TERM $runner
for _ in $(seq 1 100); do kill -0 $runner 2>/dev/null || break; sleep 0.1; done
check "SIGTERM ends run.sh" bash -c "! kill -0 $runner 2>/dev/null"
for _ in $(seq 1 100); do alive || break; sleep 0.1; done
servers_gone() { [ "$(wc -w <<<"$servers")" = 3 ] && ! alive; }
check "and its three servers ($servers)" servers_gone
check "and takes its folder away" test ! -e "$dir"
[ $failures = 0 ]
