#!/usr/bin/env bash
# The production nginx site, on loopback ports with a test certificate: discovery and
# credentials over TLS, credentials that check against the secret, the room code
# checked, plain HTTP sent to TLS, and the per-address limits on /turn-credentials and
# /mqtt answering 429 (README.md's guessing rate rests on them). Only 127.0.0.1.
set -euo pipefail
source "$(dirname "$0")/lib.bash"
need nginx openssl python3
njs=/usr/lib/nginx/modules/ngx_http_js_module.so
[ -f $njs ] || skip "libnginx-mod-http-js is missing"

tmp=$(mktemp -d)
nginx_pid=""
trap '[ -n "$nginx_pid" ] && kill $nginx_pid 2>/dev/null; rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
mkdir -p "$tmp/www" "$tmp/temp"
[ "$(id -u)" = 0 ] && chown nobody:nogroup "$tmp" "$tmp/temp"
http_port=$(free_port) tls_port=$(free_port)
test_certificate "$tmp" korvalen.example.org
secret=$(head -c 32 /dev/urandom | base64 | tr -d '=+/')
sed "s|CHANGE-ME|$secret|" "$server/nginx/korvalen-turn-secret.conf" >"$tmp/secret.conf"
cp "$server/nginx/korvalen-server.json" "$tmp/www/"
sed -e "s|^  listen 80;|  listen 127.0.0.1:$http_port;|" -e "s|^  listen 443 ssl http2;|  listen 127.0.0.1:$tls_port ssl http2;|" \
  -e '/listen \[::\]/d' -e "s|/etc/letsencrypt/live/korvalen.example.org/|$tmp/|" \
  -e "s|/var/log/nginx/|$tmp/|" -e "s|/etc/nginx/korvalen-turn-secret.conf|$tmp/secret.conf|" \
  -e "s|/etc/nginx/njs|$server/nginx|" -e "s|/var/www/korvalen;|$tmp/www;|" \
  "$server/nginx/korvalen" >"$tmp/site.conf"
grep -q "listen 127.0.0.1:$tls_port ssl" "$tmp/site.conf" || { echo "FAIL: the site has no 'listen 443 ssl http2' line"; exit 1; }
cat >"$tmp/nginx.conf" <<CONF
load_module $njs;
daemon off;
pid $tmp/nginx.pid;
error_log $tmp/error.log;
events { worker_connections 64; }
http {
  include /etc/nginx/mime.types;
  client_body_temp_path $tmp/temp/body;
  proxy_temp_path $tmp/temp/proxy;
  fastcgi_temp_path $tmp/temp/fastcgi;
  uwsgi_temp_path $tmp/temp/uwsgi;
  scgi_temp_path $tmp/temp/scgi;
  include $tmp/site.conf;
}
CONF
"${as_nobody[@]}" nginx -p "$tmp" -c "$tmp/nginx.conf" -e "$tmp/error.log" >"$tmp/nginx.out" 2>&1 &
nginx_pid=$!
for _ in $(seq 1 100); do
  (exec 3<>/dev/tcp/127.0.0.1/$tls_port) 2>/dev/null && break
  kill -0 $nginx_pid 2>/dev/null || { echo "FAIL: nginx did not start:"; cat "$tmp/nginx.out" "$tmp/error.log"; exit 1; }
  sleep 0.1
done

python3 - "$http_port" "$tls_port" "$secret" <<'PY'
import base64, hashlib, hmac, json, ssl, sys, time, urllib.error, urllib.request
http_port, tls_port, secret = sys.argv[1:4]
tls = ssl.create_default_context()
tls.check_hostname, tls.verify_mode = False, ssl.CERT_NONE
class Stay(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args):
        return None
opener = urllib.request.build_opener(Stay, urllib.request.HTTPSHandler(context=tls))
def get(url):
    try:
        with opener.open(url, timeout=10) as answer:
            return answer.status, answer.headers, answer.read()
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read()
wrong = []
def case(what, good):
    print(('ok    ' if good else 'FAIL  ') + what)
    good or wrong.append(what)
base = 'https://127.0.0.1:%s' % tls_port

status, headers, body = get('http://127.0.0.1:%s/turn-credentials?room=ABCDEF' % http_port)
case('plain HTTP is sent to TLS (%d %s)' % (status, headers.get('Location')),
     status == 301 and headers.get('Location', '').startswith('https://'))
status, headers, body = get(base + '/korvalen-server.json')
found = json.loads(body) if status == 200 else {}
case('discovery names the TLS ways in: %s' % found, found.get('mqtt', '').startswith('mqtts://')
     and found.get('mqtt_ws', '').startswith('wss://') and headers.get('Content-Type') == 'application/json')
now = time.time()
status, headers, body = get(base + '/turn-credentials?room=hjk234')
given = json.loads(body) if status == 200 else {}
expiry, room = given.get('username', '0:').split(':')
expected = base64.b64encode(hmac.new(secret.encode(), given.get('username', '').encode(), hashlib.sha1).digest()).decode()
case('credentials: the room upper case, 12 hours, the password from the secret',
     room == 'HJK234' and abs(int(expiry) - now - 43200) < 60 and given.get('password') == expected
     and headers.get('Cache-Control') == 'no-store')
case('the relay over UDP, TCP and TLS: %s' % given.get('uris'), len(given.get('uris', [])) == 3
     and given['uris'][2].startswith('turns:') and given['uris'][2].endswith(':5349?transport=tcp'))
case('a look-alike letter in the code gets 400', get(base + '/turn-credentials?room=HJK23O')[0] == 400)

# 30 a minute after a burst of 10, per address: 25 requests at once must meet 429.
for path in ('/turn-credentials?room=HJK234', '/mqtt'):
    codes = [get(base + path)[0] for _ in range(25)]
    case('%s: %d answered before the first 429, %d refused' % (path.split('?')[0], codes.index(429) if 429 in codes else -1, codes.count(429)),
         429 in codes and codes.index(429) >= 9 and codes.count(429) >= 10)
sys.exit(1 if wrong else 0)
PY
