#!/usr/bin/env bash
# server/check.sh on a production installation as README.md lays it out, in a mount
# namespace of its own where that installation covers this machine's /etc/nginx,
# /etc/mosquitto and /etc/turnserver.conf (the certificates are a test's own): ready
# as installed; then each fault a hurried operator makes is named and fails it.
# Needs root (mount namespace, the servers' users); skipped with one line otherwise.
set -euo pipefail
source "$(dirname "$0")/lib.bash"
[ "$(id -u)" = 0 ] || skip "the check's test needs root for its mount namespace"
need nginx mosquitto mosquitto_passwd turnserver openssl unshare ip
[ -d /etc/nginx ] && [ -d /etc/mosquitto ] || skip "nginx or mosquitto is not installed"
id turnserver >/dev/null 2>&1 && id mosquitto >/dev/null 2>&1 || skip "the servers' users are missing"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
etc=$tmp/etc
mkdir -p "$etc" "$tmp/certs"
cp -a /etc/nginx /etc/mosquitto "$etc/"
test_certificate "$tmp/certs" korvalen.example.org

# The README's steps, with the certificates at the test's place.
secret=$(head -c 32 /dev/urandom | base64)
install -m 644 "$server/nginx/korvalen" "$etc/nginx/sites-available/korvalen"
sed -i "s|/etc/letsencrypt/live/korvalen.example.org/|$tmp/certs/|" "$etc/nginx/sites-available/korvalen"
rm -f "$etc/nginx/sites-enabled/default"
ln -sf /etc/nginx/sites-available/korvalen "$etc/nginx/sites-enabled/korvalen"
mkdir -p "$etc/nginx/njs"
install -m 644 "$server/nginx/korvalen-turn.js" "$etc/nginx/njs/"
sed "s|CHANGE-ME|$secret|" "$server/nginx/korvalen-turn-secret.conf" >"$etc/nginx/korvalen-turn-secret.conf"
chmod 640 "$etc/nginx/korvalen-turn-secret.conf"
install -m 644 "$server/mosquitto/korvalen.conf" "$etc/mosquitto/conf.d/"
install -m 644 "$server/mosquitto/korvalen.acl" "$server/mosquitto/korvalen-bridges.acl" "$etc/mosquitto/"
mosquitto_passwd -b -c "$etc/mosquitto/korvalen-bridges.passwd" bridge-east east-secret 2>/dev/null
mkdir -p "$etc/mosquitto/certs/korvalen"
install -m 640 -g mosquitto "$tmp/certs/fullchain.pem" "$tmp/certs/privkey.pem" "$etc/mosquitto/certs/korvalen/"
mkdir -p "$tmp/coturn"
install -m 640 -g turnserver "$tmp/certs/fullchain.pem" "$tmp/certs/privkey.pem" "$tmp/coturn/"
sed -e "s|^static-auth-secret=.*|static-auth-secret=$secret|" -e "s|/etc/coturn/certs/|$tmp/coturn/|" \
  "$server/coturn/turnserver.conf" >"$etc/turnserver.conf"
chmod 755 "$tmp/certs" "$tmp/coturn"

# check.sh with this installation over /etc; its verdict's last line and status.
run_check() {
  unshare -m bash -c '
    mount --make-rprivate /
    for f in nginx mosquitto turnserver.conf; do
      touch -a /etc/$f 2>/dev/null || true
      mount --bind "$1/$f" /etc/$f
    done
    exec bash "$2/check.sh"' sh "$etc" "$server" >"$tmp/check.out" 2>&1
}
expect() {  # WHAT STATUS TEXT: check.sh's status and a line it must print
  local status=0
  run_check || status=$?
  if [ "$status" = "$2" ] && grep -q "$3" "$tmp/check.out"; then
    echo "ok    $1"
    if [ -n "${VERBOSE:-}" ]; then sed "s/^/      /" "$tmp/check.out"; fi
  else
    echo "FAIL  $1 (status $status):"; sed 's/^/      /' "$tmp/check.out"; failures=$((failures + 1))
  fi
}

expect "the installation as README.md lays it out is ready" 0 "the configuration is ready to start"

sed -i "s|^static-auth-secret=.*|static-auth-secret=another-secret-entirely|" "$etc/turnserver.conf"
expect "coturn and nginx with different secrets" 1 "hold different secrets"
sed -i "s|^static-auth-secret=.*|static-auth-secret=CHANGE-ME|" "$etc/turnserver.conf"
expect "the placeholder secret" 1 "static-auth-secret is missing, the placeholder"
sed -i -e "s|^static-auth-secret=.*|static-auth-secret=$secret|" -e '/^denied-peer-ip=169\.254/d' "$etc/turnserver.conf"
expect "a denied relay range left out" 1 "denied-peer-ip=169.254.0.0-169.254.255.255"
echo "denied-peer-ip=169.254.0.0-169.254.255.255" >>"$etc/turnserver.conf"
chmod 600 "$tmp/coturn/privkey.pem"
expect "coturn's key unreadable by its user" 1 "coturn complains"
chmod 640 "$tmp/coturn/privkey.pem"
mv "$etc/mosquitto/certs/korvalen/privkey.pem" "$tmp/mosquitto-key.pem"
expect "mosquitto without its key" 1 "mosquitto does not start"
mv "$tmp/mosquitto-key.pem" "$etc/mosquitto/certs/korvalen/privkey.pem"
sed -i 's|js_import korvalen_turn from korvalen-turn.js;|js_import korvalen_turn from missing.js;|' "$etc/nginx/sites-available/korvalen"
expect "nginx without the credentials code" 1 "FAULT  nginx -t"
[ $failures = 0 ]
