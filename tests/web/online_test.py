#!/usr/bin/python3
"""The browser build online, in headless chromium, with the meeting servers of server/run.sh
serving the page: a desktop game hosts a room and the page joins it by its code, both only
through the relay; a second page is told the room is full; the page plays a match to Exit,
hidden for a while in between (no steps, the desktop waits); the desktop's recording replays
to the state the page reports at the end. Then one page hosts (its waiting screen shows the
code and the link) and another opens the link: the same match, and both end in one state.
Last, the page's own faults: a server that does not answer, a room nobody hosts.

Usage: tests/web/online_test.py [BUILD_WEB_DIR] [--game build/korvalen] [--shots DIR]
Every wait polls up to KORVALEN_TEST_DEADLINE seconds a step (240 by default).
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser_test  # noqa: E402
from browser_test import Failure, Page, until  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "../.."))
# the keys a match needs besides the menus': either hand's walking set
browser_test.KEYS.update({"s": ("s", "KeyS", 83), "d": ("d", "KeyD", 68), "a": ("a", "KeyA", 65)})


def start(command, **kwargs):
    return subprocess.Popen(command, start_new_session=True, **kwargs)


def stop(process):
    if process and process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=20)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


def first_line(path, process, what):
    def line():
        if process.poll() is not None:
            raise Failure("%s ended (exit %s): %s" % (what, process.returncode, open(path).read()))
        text = open(path).read()
        return text.splitlines()[0] if "\n" in text else None
    return until(what, line)


def state_lines(dump):  # a dump without its frame count, which only the replay knows
    return [line for line in dump.splitlines() if line and not line.startswith("frame ")]


def to_main_menu_and_exit(page):
    """From a match through the pause menu's End to the main menu, then Exit."""
    page.hold_until("Escape", "pause menu", lambda: page.tint(300, 100, "011"),
                    lambda: not page.tint(10, 420, "110"))
    page.hold_until("Down", "pause: Nastavenia", lambda: page.tint(270, 130, "011"))
    page.hold_until("Down", "pause: End", lambda: page.tint(300, 160, "011"))
    page.hold_until("space", "main menu again", lambda: page.tint(300, 100, "011"),
                    lambda: page.tint(10, 420, "110"))
    page.hold_until("Down", "Nastavenia", lambda: page.tint(270, 130, "011"))
    page.hold_until("Down", "Exit", lambda: page.tint(300, 160, "011"))
    page.key("space", True)


def main_menu(page, what, online=False):
    """The main menu; online, the page's room still holds (the menu a page that left its room
    goes back to looks alike, with its line over it)."""
    def in_room():
        text = online and read(page, "document.body.dataset.notice")
        if text:
            raise Failure("%s: the page left its room: %s" % (what, text))
        return True
    page.shows(what, in_room, lambda: page.tint(300, 100, "011"),
               lambda: not page.tint(24, 177, "100"))


def play_match(page, hide=None):
    """Space twice starts a match; this page's archer walks; hide(), if given, hides the page
    for a while mid-match; then End and Exit from the pause menu."""
    page.hold_until("space", "colour screen", lambda: page.tint(24, 177, "100"))
    page.hold_until("space", "match: the panel", lambda: page.tint(252, 380, "010"))
    first = page.field()
    page.key("s", True)
    page.key("d", True)
    until("the page's archer walks", lambda: page.field() != first)
    page.key("a", True)
    page.key("a", False)
    page.key("s", False)
    page.key("d", False)
    if hide:
        hide()
    to_main_menu_and_exit(page)


def ended(page, what):
    """The page's online game ended in order: the state it ended in."""
    until(what + ": the online game ends", lambda: page.evaluate(
        "document.body.dataset.onlineEnded") is not None, seen=lambda: str(page.state()))
    code = page.evaluate("document.body.dataset.onlineEnded")
    if code != "0":
        raise Failure("%s: the online game ended with %s: %s" % (what, code, page.state()[1]))
    page.key("space", False)
    return page.evaluate("window.korvalenEndState") or ""


def read(page, expression):
    """What expression gives on the page, None while the page is going to another address."""
    try:
        return page.evaluate(expression)
    except Failure as failure:
        if "navigated" in str(failure) or "context" in str(failure):
            return None
        raise


def notice(page, what, words):
    """The page went back to the menu with a line holding words."""
    def line():
        text = read(page, "document.body.dataset.notice") or ""
        return text if words in text else None
    text = until(what, line, seen=lambda: str(read(page, "[document.body.dataset.notice, "
                                                         "printed, location.href]")))
    main_menu(page, what + ": back at the menu")
    print("ok: %s: \"%s\", back at the menu" % (what, text.splitlines()[0]))


def hide_for_a_while(page):
    """The tab hidden, as a browser tells a page, for longer than the silence after which a
    game takes the other for gone: the page runs no steps meanwhile and keeps answering, so
    the desktop waits instead of ending; shown again, the match goes on."""
    def visibility(hidden):
        page.evaluate(
            "Object.defineProperty(document,'hidden',{value:%s,configurable:true});"
            "Object.defineProperty(document,'visibilityState',{value:'%s',configurable:true});"
            "document.dispatchEvent(new Event('visibilitychange'))"
            % ("true" if hidden else "false", "hidden" if hidden else "visible"))
    visibility(True)
    time.sleep(7)
    visibility(False)
    page.shows("shown again: the match goes on", lambda: page.tint(252, 380, "010"))


def desktop_with_page(args, url, pages, work, children):
    """A desktop game hosts, the page joins by code; another page is told the room is full.
    The desktop and its Xvfb are left in children, stopped only after a failure is reported:
    the desktop stopped first would tell the page it left, hiding how the page stood."""
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    xvfb = start(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                  "-noreset"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    children.append(xvfb)
    display = ":" + xvfb.stdout.readline().decode().strip()
    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=home,
               SDL_AUDIODRIVER="dummy", KORVALEN_ICE_BIND="127.0.0.2", LANGUAGE="sk")
    record = os.path.join(work, "host.rec")
    out, err = os.path.join(work, "host.out"), os.path.join(work, "host.err")
    game = start([args.game, "--window", "--host-room", "--server", url, "--relay-only",
                  "--record", record], cwd=ROOT, env=env, stdout=open(out, "w"),
                 stderr=open(err, "w"))
    children.insert(0, game)
    code = first_line(out, game, "the desktop's room code").split()[-1]
    page, other = pages
    page.open("%s/?server=%s&room=%s&relay" % (url, url, code.lower()))
    main_menu(page, "the page in the desktop's room %s: main menu" % code, online=True)
    # both ask for the relay only: a direct path here means one side took the other's own
    # address after all (the page's browser answers from its own unless told the policy)
    path = until("the desktop says which way it plays",
                 lambda: re.search(r"playing over WebRTC, (.*)", open(err).read()))
    if path.group(1) != "through the relay":
        raise Failure("the relay-only match plays %s" % path.group(1))
    print("ok: the page joined the desktop's room %s by its code, through the relay" % code)

    other.open("%s/?server=%s&room=%s" % (url, url, code))
    notice(other, "a second page in the room", "is full")

    play_match(page, hide=lambda: hide_for_a_while(page))
    page_state = ended(page, "the page against the desktop")
    until("the desktop ends", lambda: game.poll() is not None)
    if game.returncode != 0:
        raise Failure("the desktop ended with %s: %s" % (game.returncode, open(err).read()))
    replay = subprocess.run([os.path.join(os.path.dirname(args.game), "korvalen-replay"),
                             "--recording", record], cwd=ROOT, capture_output=True, text=True)
    if replay.returncode != 0:
        raise Failure("the desktop's recording does not replay: " + replay.stderr)
    want, got = state_lines(replay.stdout), state_lines(page_state)
    if not got or want != got:
        differ = [(a, b) for a, b in zip(want, got) if a != b][:5]
        raise Failure("the page ends apart from the desktop's recording (%d lines against "
                      "%d): %s" % (len(got), len(want), differ))
    if "done 1" not in got:
        raise Failure("the page's end state is not the Exit's")
    print("ok: a match page against desktop, the page hidden for a while, to Exit; the "
          "desktop's recording replays to the page's end state (%d fields)" % len(got))


def two_pages(url, pages, shots):
    """One page hosts, the other opens its link."""
    host, guest = pages
    host.open("%s/?server=%s&host&relay" % (url, url))
    code = until("the hosting page's room", lambda: host.evaluate("document.body.dataset.room"),
                 seen=lambda: str(host.state()))
    link = host.evaluate("document.body.dataset.link")
    if link != "%s/?server=%s&room=%s" % (url, url.replace(":", "%3A").replace("/", "%2F"), code):
        raise Failure("the hosting page's link: %s" % link)
    host.shows("the waiting screen: the code on the page and in the game",
               lambda: host.evaluate("!document.getElementById('room').hidden"),
               lambda: host.tint(60, 200, "110"))
    if shots:
        with open(os.path.join(shots, "web_room_waiting.png"), "wb") as f:
            f.write(host.screenshot())
    print("ok: a page hosts room %s; its waiting screen shows the code and %s" % (code, link))
    guest.open(link + "&relay")
    main_menu(guest, "the page that opened the link: main menu", online=True)
    main_menu(host, "the hosting page: main menu", online=True)
    play_match(guest)
    guest_state = ended(guest, "the guest page")
    host_state = ended(host, "the hosting page")
    if not state_lines(guest_state) or state_lines(guest_state) != state_lines(host_state):
        raise Failure("the two pages end apart")
    print("ok: two pages met by the link and played to Exit, ending in one state")


def faults(url, page):
    page.open("%s/?server=http://127.0.0.1:9&room=ABCDEF" % url)
    notice(page, "a server that does not answer", "cannot reach the server")
    page.open("%s/?server=%s&room=ABCDEF" % (url, url))
    notice(page, "a room nobody hosts", "No game waits in room ABCDEF")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder", nargs="?", default=os.path.join(ROOT, "build-web"))
    parser.add_argument("--game", default=os.path.join(ROOT, "build/korvalen"))
    parser.add_argument("--shots")
    parser.add_argument("--only", choices=("desktop", "pages", "faults"),
                        help="run only this part")
    args = parser.parse_args()
    folder, args.game = os.path.abspath(args.folder), os.path.abspath(args.game)
    for tool in ("turnserver", "mosquitto", "nginx", "Xvfb"):
        if not shutil.which(tool, path=os.environ["PATH"] + ":/usr/sbin"):
            print("SKIP: online_test: %s is not installed" % tool)
            return 0
    if not os.path.exists(args.game):
        print("online_test: no desktop game %s: build it first" % args.game, file=sys.stderr)
        return 1
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="korvalen-online-")
    servers, pages, children, started, logs = None, [], [], time.monotonic(), None
    try:
        out = os.path.join(work, "servers.out")
        # the servers' logs, shown on a failure (a folder of its own: run.sh as root hands
        # it to the user the servers run as)
        logs = tempfile.mkdtemp(prefix="korvalen-servers-")
        servers = start([os.path.join(ROOT, "server/run.sh"), "--web", folder, "--dir", logs],
                        stdout=open(out, "w"), stderr=subprocess.STDOUT,
                        env=dict(os.environ, PATH=os.environ["PATH"] + ":/usr/sbin"))
        url = first_line(out, servers, "run.sh's URL")
        if not url.startswith("http://127.0.0.1:"):
            raise Failure("run.sh's first line is no URL: " + url)
        pages = [Page(args.shots), Page(None)]
        if args.only in (None, "desktop"):
            desktop_with_page(args, url, pages, work, children)
        if args.only in (None, "pages"):
            two_pages(url, pages, args.shots)
        if args.only in (None, "faults"):
            faults(url, pages[1])
    except Failure as failure:
        print("FAIL: online_test: %s" % failure, file=sys.stderr)
        for n, page in enumerate(pages):
            page.shots = page.shots or args.shots
            page.save("online_failure_%d" % n)
            print("page %d: %s" % (n, read(page, "JSON.stringify([document.body.dataset, "
                                                 "printed.slice(-8)])")), file=sys.stderr)
        for path in [os.path.join(work, name) for name in ("host.err", "host.out")] + [
                os.path.join(logs or work, name) for name in ("turnserver.log", "mosquitto.log")]:
            if os.path.exists(path):
                print("%s:\n%s" % (os.path.basename(path), open(path).read()[-3000:]),
                      file=sys.stderr)
                if args.shots:  # whole, beside the failure's screenshots
                    shutil.copy(path, os.path.join(args.shots, "online_failure_" +
                                                   os.path.basename(path)))
        return 1
    finally:
        for child in children:
            stop(child)
        for page in pages:
            page.close()
        stop(servers)
        shutil.rmtree(work, ignore_errors=True)
        if logs:
            shutil.rmtree(logs, ignore_errors=True)
    print("online test passed in %.0f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
