# A relay between a guest and a host on loopback that delays datagrams 20 to 60 ms (so they
# overtake), loses LOSS percent and sends 1 in 10 twice; SIGUSR1 makes it lose every datagram
# from the host for the next BLACKOUT seconds, SIGUSR2 every datagram both ways. Seeded: a
# seed repeats a run's losses and delays. It prints "light" as a blackout ends.
#   python3 lossy_relay.py LISTEN_PORT HOST_PORT SEED LOSS BLACKOUT
import heapq, random, select, signal, socket, sys, time

s, up = (socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2))
s.bind(("127.0.0.1", int(sys.argv[1])))
up.connect(("127.0.0.1", int(sys.argv[2])))
random.seed(int(sys.argv[3]))
loss = int(sys.argv[4]) / 100
guest, queue, dark_until, both_dark_until, was_dark = None, [], 0, 0, False
def black_out(*_):
    global dark_until, was_dark
    was_dark = True
    dark_until = time.time() + float(sys.argv[5])
def black_out_both(*_):
    global dark_until, both_dark_until, was_dark
    was_dark = True
    dark_until = both_dark_until = time.time() + float(sys.argv[5])
signal.signal(signal.SIGUSR1, black_out)
signal.signal(signal.SIGUSR2, black_out_both)
while True:
    if was_dark and time.time() >= dark_until:
        was_dark = False
        print("light", flush=True)
    wait = max(0, queue[0][0] - time.time()) if queue else None
    if was_dark:
        wait = max(0, min(dark_until - time.time(), 1 if wait is None else wait))
    for sock in select.select([s, up], [], [], wait)[0]:
        try:
            data, addr = sock.recvfrom(65536)
        except OSError:  # the host not listening yet: the ICMP answer lands here
            continue
        if sock is s:
            guest = addr
        dark = time.time() < (dark_until if sock is up else both_dark_until)
        copies = 0 if random.random() < loss or dark else 2 if random.random() < 0.1 else 1
        for _ in range(copies if guest else 0):
            heapq.heappush(queue, (time.time() + random.uniform(0.02, 0.06), random.random(), sock is s, data))
    while queue and queue[0][0] <= time.time():
        _, _, to_host, data = heapq.heappop(queue)
        try:
            up.send(data) if to_host else s.sendto(data, guest)
        except OSError:
            pass
