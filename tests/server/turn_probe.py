#!/usr/bin/env python3
"""Asks a coturn with Korvalen's production rules for relays, as a game would.

  turn_probe.py SERVER_IP:PORT SECRET PEER_IP:PORT DENIED_IP... [--public IP...]
  turn_probe.py SERVER_IP:PORT --given USERNAME PASSWORD PEER_IP:PORT

With credentials made from SECRET as nginx makes them: an expired one is refused; a
valid one gets an allocation whose permissions to every DENIED_IP are refused (403)
and to every public IP granted (permissions send nothing to the peer), and which still
carries a datagram to PEER (an echo server) and back afterwards: a denied peer must
not cost the player the allocation. Prints one line a case; exit 1
on any wrong answer. Every request is sent at most 3 times, every wait bounded.
"""
import base64, hashlib, hmac, os, socket, struct, sys, time

MAGIC = 0x2112A442
ALLOCATE, CREATE_PERMISSION, SEND, DATA_INDICATION = 0x003, 0x008, 0x016, 0x017
USERNAME, INTEGRITY, ERROR_CODE, REALM, NONCE = 0x006, 0x008, 0x009, 0x014, 0x015
PEER_ADDRESS, DATA, TRANSPORT = 0x012, 0x013, 0x019


def attr(kind, value):
    return struct.pack('!HH', kind, len(value)) + value + b'\0' * (-len(value) % 4)


def xor_address(ip, port):
    raw = struct.unpack('!I', socket.inet_aton(ip))[0] ^ MAGIC
    return struct.pack('!BBHI', 0, 1, port ^ (MAGIC >> 16), raw)


def message(method, attrs, key=None):
    tid = os.urandom(12)
    body = b''.join(attrs)
    if key is not None:  # the integrity covers the header with its length counting itself
        head = struct.pack('!HHI', method, len(body) + 24, MAGIC) + tid
        body += attr(INTEGRITY, hmac.new(key, head + body, hashlib.sha1).digest())
    return struct.pack('!HHI', method, len(body), MAGIC) + tid + body, tid


def parse(packet):
    kind, length, magic = struct.unpack('!HHI', packet[:8])
    attrs, at = {}, 20
    while at + 4 <= 20 + length and at + 4 <= len(packet):
        a, n = struct.unpack('!HH', packet[at:at + 4])
        attrs.setdefault(a, packet[at + 4:at + 4 + n])
        at += 4 + n + (-n % 4)
    return kind, packet[8:20], attrs


class Client:
    def __init__(self, server):
        self.server = server
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.settimeout(1.0)
        self.key = self.auth = None

    def request(self, method, attrs):
        """Sends until the answer comes (3 tries); returns (0 or error code, attributes)."""
        packet, tid = message(method, attrs + (self.auth or []), self.key)
        for _ in range(3):
            self.sock.sendto(packet, self.server)
            deadline = time.monotonic() + 1.0
            while time.monotonic() < deadline:
                try:
                    kind, got_tid, answer = parse(self.sock.recv(2048))
                except socket.timeout:
                    break
                if got_tid != tid:
                    continue
                if kind & 0x0110 == 0x0110:
                    code = answer.get(ERROR_CODE, b'\0\0\0\0')
                    return code[2] * 100 + code[3], answer
                return 0, answer
        raise SystemExit('FAIL: no answer from the relay at %s:%d' % self.server)

    def allocate(self, username, password):
        transport = [attr(TRANSPORT, bytes([17, 0, 0, 0]))]
        code, answer = self.request(ALLOCATE, transport)
        if code != 401:
            return code
        realm, nonce = answer[REALM], answer[NONCE]
        self.key = hashlib.md5(username.encode() + b':' + realm + b':' + password.encode()).digest()
        self.auth = [attr(USERNAME, username.encode()), attr(REALM, realm), attr(NONCE, nonce)]
        return self.request(ALLOCATE, transport)[0]

    def permit(self, ip):
        return self.request(CREATE_PERMISSION, [attr(PEER_ADDRESS, xor_address(ip, 9))])[0]

    def echo(self, ip, port, payload):
        packet, _ = message(SEND, [attr(PEER_ADDRESS, xor_address(ip, port)), attr(DATA, payload)])
        for _ in range(3):
            self.sock.sendto(packet, self.server)
            try:
                kind, _, answer = parse(self.sock.recv(2048))
            except socket.timeout:
                continue
            if kind == DATA_INDICATION and answer.get(DATA) == payload:
                return True
        return False


def credentials(secret, room, expiry):
    username = '%d:%s' % (expiry, room)
    digest = hmac.new(secret.encode(), username.encode(), hashlib.sha1).digest()
    return username, base64.b64encode(digest).decode()


def given(server, username, password, peer):
    """Credentials handed out by a server: they get a relay that carries a datagram."""
    player = Client(server)
    code = player.allocate(username, password)
    ip, port = peer.rsplit(':', 1)
    good = code == 0 and player.permit(ip) == 0 and player.echo(ip, int(port), b'probe')
    print(('ok    ' if good else 'FAIL  ') + 'the credentials get a relay to %s (%d)' % (peer, code))
    sys.exit(0 if good else 1)


def main():
    host, port = sys.argv[1].rsplit(':', 1)
    if sys.argv[2] == '--given':
        given((host, int(port)), *sys.argv[3:6])
    secret = sys.argv[2]
    peer_ip, peer_port = sys.argv[3].rsplit(':', 1)
    server, wrong = (host, int(port)), []
    rest = sys.argv[4:] + ['--public']
    denied, public = rest[:rest.index('--public')], rest[rest.index('--public') + 1:-1]

    def case(what, good):
        print(('ok    ' if good else 'FAIL  ') + what)
        good or wrong.append(what)

    code = Client(server).allocate(*credentials(secret, 'QRSTUV', int(time.time()) - 60))
    case('an expired credential is refused (%d)' % code, code == 401)
    code = Client(server).allocate(credentials(secret, 'QRSTUV', int(time.time()) + 600)[0], 'not-it')
    case('a wrong password is refused (%d)' % code, code == 401)

    player = Client(server)
    code = player.allocate(*credentials(secret, 'QRSTUV', int(time.time()) + 43200))
    case('a valid credential gets a relay (%d)' % code, code == 0)
    if code == 0:
        for ip in denied:
            code = player.permit(ip)
            case('relaying to %s is refused (%d)' % (ip, code), code == 403)
        for ip in public:
            code = player.permit(ip)
            case('relaying to %s may be set up (%d)' % (ip, code), code == 0)
        case('relaying to %s is allowed' % peer_ip, player.permit(peer_ip) == 0)
        case('a datagram goes to %s and back through the relay' % peer_ip,
             player.echo(peer_ip, int(peer_port), b'korvalen relay probe'))
    sys.exit(1 if wrong else 0)


if __name__ == '__main__':
    main()
