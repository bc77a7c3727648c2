#!/usr/bin/python3
"""The browser build played in headless chromium over the DevTools protocol, read from
screenshots: the main menu in the browser's language, sound from the first key, the highlight,
a match against the computer and the pause menu; ?lang=sk&volume=40 and a speed level kept for
a later visit, driven by a pad; an arena made in the page's editor kept across a reload and
played; a missing data file and no WebGL each give a readable message.

Usage: tests/web/browser_test.py [BUILD_WEB_DIR] [--shots DIR]
Every wait polls up to KORVALEN_TEST_DEADLINE seconds a step (240 by default).
"""
import argparse
import base64
import http.server
import io
import json
import os
import shutil
import signal
import socketserver
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

import websocket  # python3-websocket
from PIL import Image, ImageStat  # python3-pil

DEADLINE = float(os.environ.get("KORVALEN_TEST_DEADLINE", "240"))
SHOT_WAIT = 30  # seconds before a screenshot is asked for again
WIDTH, HEIGHT = 1280, 1060  # the browser's inner size: a canvas about 1280 x 1031
KEYS = {"Down": ("ArrowDown", "ArrowDown", 40), "Up": ("ArrowUp", "ArrowUp", 38),
        "space": (" ", "Space", 32), "Escape": ("Escape", "Escape", 27),
        "1": ("1", "Digit1", 49), "3": ("3", "Digit3", 51), "c": ("c", "KeyC", 67),
        "v": ("v", "KeyV", 86),
        "F1": ("F1", "F1", 112), "Right": ("ArrowRight", "ArrowRight", 39),
        "Return": ("Enter", "Enter", 13), "t": ("t", "KeyT", 84), "u": ("u", "KeyU", 85),
        "b": ("b", "KeyB", 66), "w": ("w", "KeyW", 87), "e": ("e", "KeyE", 69)}
# A pad with the standard layout (button 0 A, 13 down); testPad(button, down) works it.
PAD = """(function () {
  var pad = {id: "Test pad", index: 0, connected: true, timestamp: 1, mapping: "standard",
             axes: [0, 0, 0, 0], buttons: []};
  for (var i = 0; i < 17; i++) pad.buttons.push({pressed: false, touched: false, value: 0});
  navigator.getGamepads = function () { return [pad]; };
  window.testPad = function (button, down) {
    pad.buttons[button].pressed = down;
    pad.buttons[button].value = down ? 1 : 0;
    pad.timestamp++;
  };
})();"""


class Failure(Exception):
    pass


def until(what, check, deadline=DEADLINE, seen=lambda: ""):
    """Polls check until it gives something true; fails after the deadline."""
    end = time.monotonic() + deadline
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure("%s: never seen (%s)" % (what, seen()))
        time.sleep(0.05)


def serve(folder):
    """Serves folder on a free port of 127.0.0.1; /no-data/ is the same page without index.data."""

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=folder, **kwargs)

        def do_GET(self):
            if self.path.startswith("/no-data/"):
                if self.path.split("?")[0].endswith("index.data"):
                    return self.send_error(404)
                self.path = self.path[len("/no-data"):]
            super().do_GET()

        def log_message(self, *args):
            pass

    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Page:
    """Headless chromium with one page (spoken to over its DevTools web socket) and the game
    in it: its keys, and its picture read as the 640 x 480 text space."""

    def __init__(self, shots):
        self.shots, self.seen, self.next_id, self.socket = shots, "", 0, None
        self.profile = tempfile.mkdtemp(prefix="korvalen-chromium-")
        self.log = open(os.path.join(self.profile, "chromium.log"), "w")
        self.process = subprocess.Popen([
            shutil.which("chromium") or "chromium", "--headless", "--no-sandbox", "--disable-gpu",
            "--disable-quic", "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-extensions",
            "--user-data-dir=" + self.profile, "--remote-debugging-port=0",
            "--remote-allow-origins=*", "--window-size=%d,%d" % (WIDTH, HEIGHT),
            "--lang=en-US",  # the page's language follows the browser's, whatever the machine's
            # WebGL drawn in software: ANGLE over SwiftShader.
            "--use-gl=angle", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--ignore-gpu-blocklist", "about:blank"],
            stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        port = until("chromium's DevTools port", self.devtools_port)
        with urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port, timeout=30) as reply:
            pages = [t["webSocketDebuggerUrl"] for t in json.load(reply) if t.get("type") == "page"]
        if not pages:
            raise Failure("chromium shows no page")
        self.socket = websocket.create_connection(pages[0], timeout=DEADLINE)
        self.call("Page.enable")
        self.call("Runtime.enable")
        self.call("Emulation.setDeviceMetricsOverride", width=WIDTH, height=HEIGHT,
                  deviceScaleFactor=1, mobile=False)

    def devtools_port(self):  # the port chromium picked, from a file in its profile
        if self.process.poll() is not None:
            raise Failure("chromium ended at start (exit %s)" % self.process.returncode)
        try:
            with open(os.path.join(self.profile, "DevToolsActivePort")) as f:
                return f.readline().strip()
        except OSError:
            return None

    def call(self, method, wait=DEADLINE, **params):
        """One command's result, waiting at most wait seconds; events before it, and late
        answers to commands given up on, are dropped."""
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        self.socket.settimeout(wait)
        try:
            while True:
                reply = json.loads(self.socket.recv())
                if reply.get("id") == self.next_id:
                    if "error" in reply:
                        raise Failure("%s: %s" % (method, reply["error"]))
                    return reply.get("result", {})
        except websocket.WebSocketTimeoutException:
            raise Failure("%s: chromium did not answer in %g s" % (method, wait)) from None

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return result.get("result", {}).get("value")

    def screenshot(self, clip=None):  # a PNG of the page, or of its rectangle (x, y, w, h)
        params = {"format": "png"}
        if clip:
            params["clip"] = dict(zip(("x", "y", "width", "height"), clip), scale=1)
        # On a starved machine chromium has been seen to leave one request for a picture
        # unanswered for good; asking again gets one.
        return base64.b64decode(until(
            "a screenshot from chromium",
            lambda: self.answer_within(SHOT_WAIT, "Page.captureScreenshot", **params))["data"])

    def answer_within(self, wait, method, **params):  # the result, or None after wait seconds
        try:
            return self.call(method, wait, **params)
        except Failure as failure:
            if "did not answer" not in str(failure):
                raise
            print("note: %s; asked again" % failure, file=sys.stderr)
            return None

    def save(self, name):
        if self.shots:
            with open(os.path.join(self.shots, name + ".png"), "wb") as f:
                f.write(self.screenshot())

    def close(self):
        if self.socket:
            self.socket.close()
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def open(self, url):
        """Loads url; the game draws its 5:4 picture as large as the canvas holds, centred."""
        self.call("Page.navigate", url=url)
        x, y, w, h = [round(v) for v in until("the page's canvas", lambda: self.evaluate(
            "(function(){var c=document.getElementById('canvas');if(!c)return null;"
            "var r=c.getBoundingClientRect();return [r.left,r.top,r.width,r.height];})()"))]
        pw, ph = ((h * 5 + 2) // 4, h) if w * 4 >= h * 5 else (w, (w * 4 + 2) // 5)
        self.picture = (x + (w - pw) // 2, y + (h - ph) // 2, pw, ph)

    def state(self):
        """loading, running, ended or failed; the message; whether it is hidden. While the page
        goes to another address: ("navigating", "", True)."""
        return self.evaluate(
            "[document.body.dataset.state, document.getElementById('message-text').textContent,"
            " document.getElementById('message').hidden]") or ("navigating", "", True)

    def tint(self, tx, ty, want):
        """Whether the text at (tx, ty) of the 640 x 480 text space has tint want ("011" is
        cyan), read from its first glyph's left part."""
        x, y, w, h = self.picture
        clip = (x + tx * w // 640, y + (ty + 4) * h // 480, 20 * w // 1280, 34 * h // 1024)
        image = Image.open(io.BytesIO(self.screenshot(clip))).convert("RGB")
        rgb = [high for _, high in image.getextrema()]
        self.seen = "%s at (%d, %d)" % (tuple(rgb), tx, ty)
        return all((v >= 120) if bit == "1" else (v <= 40) for v, bit in zip(rgb, want))

    def shows(self, what, *checks, deadline=DEADLINE):  # until every check (a function) holds
        def all_hold():
            state, text, _ = self.state()
            if state == "failed":
                raise Failure("%s: the page says: %s" % (what, text))
            return all(check() for check in checks)
        until(what, all_hold, deadline, lambda: self.seen)

    def key(self, name, down):
        if name.startswith("pad "):  # a button of the stand-in pad (PAD)
            self.evaluate("testPad(%d, %s)" % (int(name[4:]), "true" if down else "false"))
            return
        key, code, vk = KEYS[name]
        self.call("Input.dispatchKeyEvent", type="keyDown" if down else "keyUp", key=key,
                  code=code, windowsVirtualKeyCode=vk, nativeVirtualKeyCode=vk)

    def key_frames(self):  # the frames the game has read the keys in (platform/key_state.cpp)
        return self.evaluate("typeof Module == 'object' ? Module.korvalenKeyFrames || 0 : 0")

    def let_go(self, name):
        """Lets a key go and waits until a frame of the game has read it up: a release and a
        press before any frame read them leave the key held for the game, its latch set. A
        page that ends or goes elsewhere meanwhile reads no more keys: no wait then."""
        self.key(name, False)
        frames = self.key_frames()

        def read_up():
            try:
                return self.key_frames() != frames or self.evaluate(
                    "document.body.dataset.state") != "running"
            except Failure:  # the page goes to another address
                return True
        until("a frame after %s is let go" % name, read_up)

    def hold_until(self, name, what, *checks):
        """Holds a key until the screen shows the checks, then lets it go; a key that has not
        acted is pressed anew."""
        for attempt in range(6):
            self.key(name, True)
            try:
                return self.shows(what, *checks, deadline=DEADLINE / 6)
            except Failure:
                if attempt == 5:
                    raise
            finally:
                self.let_go(name)

    def colour_at(self, tx, ty):
        """The mean colour of a few pixels about (tx, ty) of the 640 x 480 text space."""
        x, y, w, h = self.picture
        clip = (x + tx * w // 640 - 3, y + ty * h // 480 - 3, 6, 6)
        image = Image.open(io.BytesIO(self.screenshot(clip))).convert("RGB")
        rgb = tuple(int(v) for v in ImageStat.Stat(image).mean)
        self.seen = "%s at (%d, %d)" % (rgb, tx, ty)
        return rgb

    def wall_at(self, cx, cy):
        """Whether the top of a wall covers cell (cx, cy): grey stone there, where grass has
        no red and a bow on the ground more red than blue. The top lies 19 units from the
        camera, which looks at (10, 4) from 20 units up through 45 degrees."""
        x, y, w, h = self.picture
        px = 640 + (cx + 0.5 - 10) * 640 / (19 * 0.41421356 * 1.25)
        py = 512 - (cy + 0.5 - 4) * 512 / (19 * 0.41421356)
        clip = (x + int(px * w / 1280) - 4, y + int(py * h / 1024) - 4, 8, 8)
        image = Image.open(io.BytesIO(self.screenshot(clip))).convert("RGB")
        r, g, b = (int(v) for v in ImageStat.Stat(image).mean)
        self.seen = "%s at cell (%d, %d)" % ((r, g, b), cx, cy)
        return r >= 60 and r - b <= 30

    def spawn_bare(self):
        """Whether player 2's spawn point, at the top right of the field, is bare grass: no
        red and no blue of his archer there."""
        x, y, w, h = self.picture
        clip = (x + 1250 * w // 1280, y + 30 * h // 1024, 28 * w // 1280, 55 * h // 1024)
        image = Image.open(io.BytesIO(self.screenshot(clip))).convert("RGB")
        r, _, b = (high for _, high in image.getextrema())
        self.seen = "(%d, %d) red and blue at player 2's spawn point" % (r, b)
        return r <= 60 and b <= 60

    def field(self):  # the picture above the status panel, as a PNG
        x, y, w, h = self.picture
        return self.screenshot((x, y, w, h * 330 // 480))

    def audio(self):  # suspended until the first key or click, then running
        return self.evaluate("typeof Module == 'object' && Module.SDL2 && Module.SDL2.audioContext"
                             " ? Module.SDL2.audioContext.state : null")

    def slovak(self):
        """Whether the main menu says "Nastavenia" (its last letter stands where the English
        "Settings" has ended), rather than "Settings"."""
        return self.tint(362, 130, "111")

    def english(self):
        return self.tint(362, 130, "000") and self.tint(340, 130, "111")

    def speed_screen(self, level):  # level marked (lila), the other two white
        return all(self.tint(250, 130 + 30 * n, "101" if n == level else "111") for n in (1, 2, 3))

    def failed_with(self, what, words):  # the page fails with a message holding words
        text = until(what, lambda: self.state()[0] == "failed" and words in self.state()[1]
                     and self.state()[1])
        print("ok: %s: %s" % (what, text.splitlines()[0]))


def play(page, base):
    page.open(base + "/?bot=2&arena=6")
    page.shows("main menu: the title and New highlighted, nothing over the picture",
               lambda: page.tint(200, 10, "110"), lambda: page.tint(300, 100, "011"),
               lambda: page.tint(10, 420, "110"), lambda: page.state()[2])
    page.save("main_menu")
    page.shows("the browser's language: English", page.english)
    print("ok: the main menu, in the browser's language (%s): English"
          % page.evaluate("navigator.language"))
    if page.audio() != "suspended":
        raise Failure("the audio before any key: %s, not suspended" % page.audio())
    page.hold_until("Down", "Down: Settings highlighted",
                    lambda: page.tint(270, 130, "011"), lambda: page.tint(300, 100, "111"))
    until("the audio running after the first key", lambda: page.audio() == "running")
    page.hold_until("Up", "Up: New highlighted again",
                    lambda: page.tint(300, 100, "011"), lambda: page.tint(270, 130, "111"))
    print("ok: the sound starts with the first key; Down and Up move the highlight")
    page.hold_until("space", "colour screen",
                    lambda: page.tint(24, 177, "100"), lambda: not page.tint(300, 100, "011"))
    page.save("colour_screen")
    page.hold_until("space", "match: the panel",
                    lambda: page.tint(252, 380, "010"), lambda: page.tint(30, 370, "111"))
    page.shows("?arena=6: the cross's north-south arm, no snake-path block",
               lambda: page.wall_at(10, 3), lambda: not page.wall_at(12, 1))
    first = page.field()
    until("the field changes as the computer plays", lambda: page.field() != first)
    page.save("match")
    page.hold_until("Escape", "pause menu", lambda: page.tint(300, 100, "011"),
                    lambda: not page.tint(10, 420, "110"))
    page.save("pause_menu")
    print("ok: Space and Space start a match on the arena asked for, the computer plays, "
          "Esc opens the pause menu")
    menu_to_computer(page, base)
    keep_settings(page, base)
    keep_arena(page, base)

    page.open(base + "/no-data/?bot=2")
    page.failed_with("a missing data file", "could not be loaded")
    page.call("Page.addScriptToEvaluateOnNewDocument", source="delete window.WebGLRenderingContext;")
    page.open(base + "/")
    page.failed_with("no WebGL", "needs WebGL")


def menu_to_computer(page, base):
    """The page's main menu offers the game's own entries, as the desktop's does, and reaches
    a match against the computer by keys alone: F1's help and V's options, then C, a level
    and Space."""
    page.open(base + "/?arena=1")
    page.shows("the page's main menu with its entries: C and V under the flag",
               lambda: page.tint(300, 100, "011"), lambda: page.tint(130, 395, "111"),
               lambda: page.tint(420, 395, "111"))
    page.hold_until("F1", "F1: the help, with the game's own keys",
                    lambda: page.tint(250, 20, "110"), lambda: page.tint(40, 225, "010"))
    page.hold_until("Escape", "the main menu again", lambda: page.tint(300, 100, "011"),
                    lambda: page.tint(130, 395, "111"))
    page.hold_until("v", "V: the options, the volume picked", lambda: page.tint(250, 30, "110"),
                    lambda: page.tint(330, 90, "011"))
    page.hold_until("Escape", "the main menu again", lambda: page.tint(300, 100, "011"),
                    lambda: page.tint(130, 395, "111"))
    page.hold_until("c", "C: the computer's level, 2 picked",
                    lambda: page.tint(200, 30, "110"), lambda: page.tint(250, 180, "011"))
    page.hold_until("space", "the colour screen: player 2 is the computer, without keys",
                    lambda: page.tint(24, 177, "100"), lambda: page.tint(364, 177, "100"),
                    lambda: page.tint(24, 200, "010"), lambda: not page.tint(364, 200, "010"))
    page.hold_until("space", "the match", lambda: page.tint(252, 380, "010"),
                    lambda: page.tint(30, 370, "111"))
    page.shows("player 2 walks off his spawn point, no key pressed", page.spawn_bare)
    print("ok: the page's menu shows its entries, F1's help and V's options; C, Space and "
          "Space reach a match where the computer walks")


def keep_settings(page, base):
    """The language and volume from the page's address and a speed level chosen in the game
    are kept in the browser's storage: a later visit without them has them all."""
    page.open(base + "/?bot=2&lang=sk&volume=40")
    page.shows("?lang=sk: the main menu in Slovak", lambda: page.tint(300, 100, "011"), page.slovak)
    page.hold_until("Down", "Down: Nastavenia highlighted", lambda: page.tint(270, 130, "011"))
    page.hold_until("space", "the speed screen", lambda: page.tint(250, 10, "011"),
                    lambda: any(page.speed_screen(n) for n in (1, 2, 3)))
    level = 1 if page.speed_screen(3) else 3
    saves = lambda: int(page.evaluate("document.body.dataset.settingsSaved || 0"))
    saved = saves()
    page.hold_until(str(level), "speed level %d marked" % level, lambda: page.speed_screen(level))
    until("the settings in the browser's storage", lambda: saves() > saved)
    print("ok: speed level %d chosen, Slovak and volume 40 from the address" % level)

    page.call("Page.addScriptToEvaluateOnNewDocument", source=PAD)
    page.open(base + "/?bot=2")
    page.shows("a later visit: the main menu still in Slovak",
               lambda: page.tint(300, 100, "011"), page.slovak)
    text = page.evaluate(
        "(function(){try{return FS.readFile('/home/web_user/.config/korvalen/settings.ini',"
        "{encoding:'utf8'});}catch(e){return null;}})()") or ""
    for line in ("language = sk", "volume = 40", "speed = %d" % level):
        if line not in text.splitlines():
            raise Failure("a later visit: no '%s' in the kept settings:\n%s" % (line, text))
    # This time through a pad: its down and A stand for Down and Space.
    page.hold_until("pad 13", "a later visit, the pad's down: Nastavenia highlighted",
                    lambda: page.tint(270, 130, "011"))
    page.hold_until("pad 0", "a later visit, the pad's A: speed level %d still marked" % level,
                    lambda: page.speed_screen(level))
    page.save("speed_screen_kept")
    print("ok: a later visit keeps the language, the volume and speed level %d, "
          "and a pad moves the highlight and chooses" % level)


def keep_arena(page, base):
    """An arena made in the page's editor by keys is kept in the browser's storage: after a
    reload it is in the page's files, last on the arena list, and played when picked there."""
    own = "/home/web_user/.local/share/korvalen/arenas/web.txt"
    read_own = lambda: page.evaluate(
        "(function(){try{return FS.readFile('%s',{encoding:'utf8'});}catch(e){return null;}})()"
        % own)
    saves = lambda: int(page.evaluate("document.body.dataset.settingsSaved || 0"))

    def tap(name):
        """Presses a key until a frame has read it down, then lets it go until a frame has
        read it up. A key let go before any frame saw it is held for the next frame, so a
        second tap of the same key straight after would reach the game as no new press."""
        page.key(name, True)
        frames = page.key_frames()  # read after the key went down: the next frame sees it
        until("a frame with %s down" % name, lambda: page.key_frames() != frames)
        page.let_go(name)

    page.open(base + "/?bot=2")
    page.shows("the main menu", lambda: page.tint(300, 100, "011"))
    page.hold_until("t", "T: the editor", lambda: page.tint(60, 10, "110"))
    for name in ["Right"] * 12 + ["Up"] * 5 + ["space"]:  # a wall at (12, 5)
        tap(name)
    # The plan, a cell 26 across from (40, 36) down to the field's row 0: the new wall's
    # brown stone in cell (12, 5), grass in cell (6, 5) beside it.
    stone = lambda rgb: rgb[0] >= 100 and rgb[0] - rgb[2] >= 30 and rgb[1] < rgb[0]
    grass = lambda rgb: rgb[1] >= rgb[0] + 30 and rgb[1] >= rgb[2] + 30
    page.shows("the editor's plan: a wall at (12, 5), grass at (6, 5)",
               lambda: stone(page.colour_at(378, 205)), lambda: grass(page.colour_at(209, 205)))
    page.save("editor_wall")
    page.hold_until("u", "U: the name asked for", lambda: page.tint(40, 400, "110"))
    for name in ("w", "e", "b"):
        tap(name)
    saved = saves()
    page.hold_until("Return", "saved as web", lambda: read_own() is not None,
                    lambda: not page.tint(40, 400, "110"))
    until("the arena in the browser's storage", lambda: saves() > saved)
    values = [line.split()[0] for line in read_own().splitlines() if line.strip()]
    if values != "0 -100 -100 -1 -1 1 12 5 1 1".split():
        raise Failure("the arena saved in the page: %s" % read_own())
    print("ok: an arena made in the page's editor by keys is saved in the browser's storage")

    page.open(base + "/?bot=2")
    page.shows("after a reload: the main menu", lambda: page.tint(300, 100, "011"))
    if read_own() is None:
        raise Failure("after a reload the page's files have no %s" % own)
    page.hold_until("space", "the colour screen", lambda: page.tint(24, 177, "100"))
    page.hold_until("b", "the arena list, arena 1 picked", lambda: page.tint(250, 20, "110"),
                    lambda: page.tint(84, 58 + 36, "011"))
    page.shows("the arena list's pictures: grass in any arena's", lambda: grass(
        page.colour_at(30, 80)))
    for _ in range(9):  # past the nine shipped arenas to the player's own, last
        tap("Down")
    page.hold_until("space", "the colour screen again", lambda: page.tint(24, 177, "100"))
    page.hold_until("space", "the match", lambda: page.tint(252, 380, "010"))
    page.shows("the kept arena played: its wall at (12, 5), not arena 1's pillar at (9, 5)",
               lambda: page.wall_at(12, 5), lambda: not page.wall_at(9, 5))
    page.save("own_arena_kept")
    print("ok: after a reload the arena made in the page is listed and played")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder", nargs="?",
                        default=os.path.join(os.path.dirname(__file__), "../../build-web"))
    parser.add_argument("--shots")
    args = parser.parse_args()
    folder = os.path.abspath(args.folder)
    if not os.path.exists(os.path.join(folder, "index.html")):
        print("browser_test: no %s/index.html: build it with ./web.sh" % folder, file=sys.stderr)
        return 1
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
    server, page, started = serve(folder), None, time.monotonic()
    try:
        page = Page(args.shots)
        play(page, "http://127.0.0.1:%d" % server.server_address[1])
    except Failure as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        if page:
            page.save("failure")
        return 1
    finally:
        if page:
            page.close()
        server.shutdown()
        server.server_close()
    print("browser test passed in %.0f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
