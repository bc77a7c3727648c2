#!/usr/bin/python3
"""The browser build in a real browser: headless chromium driven over the DevTools protocol.

Serves build-web/ on a port of 127.0.0.1, opens the page and plays through it with keys,
reading the picture from screenshots: the main menu with its title and "New", in English
(the browser's language); the sound starts with the first key; Down and Up move the
highlight; Space and Space start a match against the computer (?bot=2); the field changes
as the computer plays; Esc opens the pause menu. Then a visit with ?lang=sk&volume=40
chooses another speed level, and a later visit without them still has all three, driven
by a pad this time. Then the page's own messages: a missing data file and a browser
without WebGL each show a readable message.

Usage: tests/web/browser_test.py [BUILD_WEB_DIR] [--shots DIR]
Every wait polls until the screen shows what it must, failing only after a generous deadline
(KORVALEN_TEST_DEADLINE seconds a step, 240 by default). Chromium and the server are ended
whatever happens.
"""
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
from PIL import Image  # python3-pil

DEADLINE = float(os.environ.get("KORVALEN_TEST_DEADLINE", "240"))
WIDTH, HEIGHT = 1280, 1060  # the browser's inner size: a canvas about 1280 x 1031


class Failure(Exception):
    pass


# ---- The page's server -------------------------------------------------------------------


def serve(folder):
    """Serves folder on a free port of 127.0.0.1; /no-data/ is the same page without index.data."""

    class Handler(http.server.SimpleHTTPRequestHandler):
        extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                              **{".wasm": "application/wasm", ".js": "text/javascript"})

        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=folder, **kwargs)

        def do_GET(self):
            if self.path.startswith("/no-data/"):
                if self.path.split("?")[0].endswith("index.data"):
                    self.send_error(404)
                    return
                self.path = self.path[len("/no-data"):]
            super().do_GET()

        def log_message(self, *args):
            pass

    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


# ---- Chromium over the DevTools protocol -------------------------------------------------


class Browser:
    """Headless chromium with one page, spoken to over its DevTools web socket."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="korvalen-chromium-")
        command = [
            shutil.which("chromium") or "chromium", "--headless", "--no-sandbox", "--disable-gpu",
            "--disable-quic", "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-extensions",
            "--user-data-dir=" + self.profile, "--remote-debugging-port=0",
            "--remote-allow-origins=*", "--window-size=%d,%d" % (WIDTH, HEIGHT),
            # the page's language follows the browser's: English, whatever the machine's
            "--lang=en-US",
            # WebGL drawn in software: ANGLE over SwiftShader.
            "--use-gl=angle", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--ignore-gpu-blocklist", "about:blank"]
        self.log = open(os.path.join(self.profile, "chromium.log"), "w")
        self.process = subprocess.Popen(command, stdout=self.log, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        self.socket = None
        self.next_id = 0
        port = self._wait_port()
        self.socket = websocket.create_connection(self._page_socket(port), timeout=DEADLINE)
        self.call("Page.enable")
        self.call("Runtime.enable")
        self.call("Emulation.setDeviceMetricsOverride", width=WIDTH, height=HEIGHT,
                  deviceScaleFactor=1, mobile=False)

    def _wait_port(self):
        """The DevTools port chromium picked, from the file it writes into its profile."""
        path = os.path.join(self.profile, "DevToolsActivePort")
        end = time.monotonic() + DEADLINE
        while time.monotonic() < end:
            if self.process.poll() is not None:
                raise Failure("chromium ended at start (exit %s)" % self.process.returncode)
            try:
                with open(path) as f:
                    port = f.readline().strip()
                if port:
                    return int(port)
            except OSError:
                pass
            time.sleep(0.05)
        raise Failure("chromium never opened its DevTools port")

    def _page_socket(self, port):
        with urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port, timeout=30) as reply:
            targets = json.load(reply)
        for target in targets:
            if target.get("type") == "page":
                return target["webSocketDebuggerUrl"]
        raise Failure("chromium shows no page")

    def call(self, method, **params):
        """Sends one command and returns its result; events that come first are dropped."""
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            reply = json.loads(self.socket.recv())
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise Failure("%s: %s" % (method, reply["error"]))
                return reply.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return result.get("result", {}).get("value")

    def screenshot(self, clip=None):
        """A PNG of the page, or of the rectangle clip (x, y, w, h) of it."""
        params = {"format": "png"}
        if clip:
            params["clip"] = dict(zip(("x", "y", "width", "height"), clip), scale=1)
        return base64.b64decode(self.call("Page.captureScreenshot", **params)["data"])

    def close(self):
        try:
            if self.socket:
                self.socket.close()
        except Exception:
            pass
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)


# ---- Screenshots -------------------------------------------------------------------------


class Picture:
    """A decoded screenshot."""

    def __init__(self, png):
        self.png = png
        try:
            self.image = Image.open(io.BytesIO(png)).convert("RGB")
        except OSError as error:
            raise Failure(f"the screenshot is no picture: {error}")

    def maxima(self):
        """Highest value of each channel."""
        return [high for _, high in self.image.getextrema()]


# ---- The game in the page ----------------------------------------------------------------


class Game:
    def __init__(self, browser, shots):
        self.browser = browser
        self.shots = shots
        self.picture = None
        self.seen = ""

    def open(self, url):
        self.browser.call("Page.navigate", url=url)
        # The canvas's place: the game draws its 5:4 picture as large as fits, centred.
        rect = self.until("the page's canvas", lambda: self.browser.evaluate(
            "(function(){var c=document.getElementById('canvas');if(!c)return null;"
            "var r=c.getBoundingClientRect();return [r.left,r.top,r.width,r.height];})()"))
        x, y, w, h = [int(round(v)) for v in rect]
        pw, ph = (h * 5 + 2) // 4, h
        if w * 4 < h * 5:
            pw, ph = w, (w * 4 + 2) // 5
        self.picture = (x + (w - pw) // 2, y + (h - ph) // 2, pw, ph)

    def state(self):
        """The page's state (loading, running, ended or failed), its message and whether
        the message is hidden."""
        return self.browser.evaluate(
            "[document.body.dataset.state, document.getElementById('message-text').textContent,"
            " document.getElementById('message').hidden]")

    def message(self):
        return self.state()[1]

    def until(self, what, check, deadline=None):
        """Polls check until it gives something true; fails after the deadline."""
        end = time.monotonic() + (deadline or DEADLINE)
        while True:
            value = check()
            if value:
                return value
            if time.monotonic() > end:
                raise Failure("%s: never seen (%s)" % (what, self.seen))
            time.sleep(0.05)

    def tint(self, tx, ty, want):
        """Whether the text at (tx, ty) of the 640 x 480 text space has tint want ("011" is
        cyan), read from its first glyph's left part."""
        x, y, w, h = self.picture
        clip = (x + tx * w // 640, y + (ty + 4) * h // 480, 20 * w // 1280, 34 * h // 1024)
        rgb = Picture(self.browser.screenshot(clip)).maxima()
        self.seen = "%s at (%d, %d)" % (tuple(rgb), tx, ty)
        return all((v >= 120) if bit == "1" else (v <= 40) for v, bit in zip(rgb, want))

    def shows(self, what, *checks, deadline=None):
        """Reads the screen until every check (a function of nothing) holds."""
        def all_hold():
            state, text, _ = self.state()
            if state == "failed":
                raise Failure("%s: the page says: %s" % (what, text))
            return all(check() for check in checks)
        self.until(what, all_hold, deadline)

    def key(self, name, down):
        if name.startswith("pad "):  # a button of the page's stand-in pad (PAD)
            self.browser.evaluate("testPad(%d, %s)" % (int(name[4:]), "true" if down else "false"))
            return
        codes = {"Down": ("ArrowDown", "ArrowDown", 40), "Up": ("ArrowUp", "ArrowUp", 38),
                 "space": (" ", "Space", 32), "Escape": ("Escape", "Escape", 27),
                 "1": ("1", "Digit1", 49), "3": ("3", "Digit3", 51)}
        key, code, vk = codes[name]
        self.browser.call("Input.dispatchKeyEvent", type="keyDown" if down else "keyUp", key=key,
                          code=code, windowsVirtualKeyCode=vk, nativeVirtualKeyCode=vk)

    def hold_until(self, name, what, *checks):
        """Holds a key until the screen shows the checks; a key that has not acted is pressed
        anew (a release and a press between two frames leave its latch set)."""
        for attempt in range(6):
            self.key(name, True)
            try:
                self.shows(what, *checks, deadline=DEADLINE / 6)
                return
            except Failure:
                if attempt == 5:
                    raise
            finally:
                self.key(name, False)

    def save(self, name):
        if self.shots:
            with open(os.path.join(self.shots, name + ".png"), "wb") as f:
                f.write(self.browser.screenshot())

    def field(self):
        """The field's part of the picture, above the status panel, as a PNG."""
        x, y, w, h = self.picture
        return self.browser.screenshot((x, y, w, h * 330 // 480))


    def audio(self):
        """The state of the page's audio (suspended until the first key or click, then
        running), or None before the game has opened it."""
        return self.browser.evaluate(
            "typeof Module == 'object' && Module.SDL2 && Module.SDL2.audioContext ?"
            " Module.SDL2.audioContext.state : null")

    def settings_saved(self):
        """How often the page has had everything the game wrote in the browser's storage."""
        return int(self.browser.evaluate("document.body.dataset.settingsSaved || 0"))

    def settings_file(self):
        return self.browser.evaluate(
            "(function(){try{return FS.readFile('/home/web_user/.config/korvalen/settings.ini',"
            "{encoding:'utf8'});}catch(e){return null;}})()")

    def slovak(self):
        """Whether the main menu says "Nastavenia" (its last letter stands where the English
        "Settings" has ended), rather than "Settings"."""
        return self.tint(362, 130, "111")

    def english(self):
        return self.tint(362, 130, "000") and self.tint(340, 130, "111")

    def speed_screen(self, level):
        """The speed screen with level marked (lila) and the other two white."""
        return all(self.tint(250, 130 + 30 * n, "101" if n == level else "111") for n in (1, 2, 3))


def play(browser, base, shots):
    game = Game(browser, shots)
    game.open(base + "/?bot=2")
    game.shows("main menu: the title and New highlighted, nothing over the picture",
               lambda: game.tint(200, 10, "110"), lambda: game.tint(300, 100, "011"),
               lambda: game.tint(10, 420, "110"), lambda: game.state()[2])
    game.save("main_menu")
    print("ok: the main menu, its title and New highlighted")
    # Nothing chosen and nothing kept: the browser's own language, English here.
    game.shows("the browser's language: English", game.english)
    print("ok: the browser's language (%s) picks English" %
          browser.evaluate("navigator.language"))
    if game.audio() != "suspended":
        raise Failure("the audio before any key: %s, not suspended" % game.audio())
    game.hold_until("Down", "Down: Settings highlighted",
                    lambda: game.tint(270, 130, "011"), lambda: game.tint(300, 100, "111"))
    game.until("the audio running after the first key", lambda: game.audio() == "running")
    print("ok: the sound starts with the first key")
    game.hold_until("Up", "Up: New highlighted again",
                    lambda: game.tint(300, 100, "011"), lambda: game.tint(270, 130, "111"))
    print("ok: Down and Up move the highlight")
    game.hold_until("space", "colour screen",
                    lambda: game.tint(24, 177, "100"), lambda: not game.tint(300, 100, "011"))
    game.save("colour_screen")
    game.hold_until("space", "match: the panel",
                    lambda: game.tint(252, 380, "010"), lambda: game.tint(30, 370, "111"))
    print("ok: Space and Space start a match")
    first = game.field()
    game.until("the field changes as the computer plays", lambda: game.field() != first)
    game.save("match")
    print("ok: the field changes as the computer plays")
    game.hold_until("Escape", "pause menu", lambda: game.tint(300, 100, "011"),
                    lambda: not game.tint(10, 420, "110"))
    game.save("pause_menu")
    print("ok: Esc opens the pause menu")
    keep_settings(game, base)

    game.open(base + "/no-data/?bot=2")
    text = game.until("a missing data file: the page's message",
                      lambda: game.state()[0] == "failed" and "could not be loaded" in game.message()
                      and game.message())
    print("ok: a missing data file: %s" % text.splitlines()[0])
    browser.call("Page.addScriptToEvaluateOnNewDocument",
                 source="delete window.WebGLRenderingContext;")
    game.open(base + "/")
    text = game.until("no WebGL: the page's message",
                      lambda: game.state()[0] == "failed" and "needs WebGL" in game.message()
                      and game.message())
    print("ok: no WebGL: %s" % text.splitlines()[0])


# A pad as the browser's Gamepad API shows one with the standard layout (buttons 0 A, 13
# down); testPad(button, down) presses or releases one.
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


def keep_settings(game, base):
    """The language and volume from the page's address and a speed level chosen in the game
    are kept in the browser's storage: a later visit without them has them all."""
    game.open(base + "/?bot=2&lang=sk&volume=40")
    game.shows("?lang=sk: the main menu in Slovak", lambda: game.tint(300, 100, "011"), game.slovak)
    game.hold_until("Down", "Down: Nastavenia highlighted", lambda: game.tint(270, 130, "011"))
    game.hold_until("space", "the speed screen", lambda: game.tint(250, 10, "011"),
                    lambda: any(game.speed_screen(n) for n in (1, 2, 3)))
    level = 1 if game.speed_screen(3) else 3
    saved = game.settings_saved()
    game.hold_until(str(level), "speed level %d marked" % level, lambda: game.speed_screen(level))
    game.until("the settings in the browser's storage", lambda: game.settings_saved() > saved)
    print("ok: speed level %d chosen, Slovak and volume 40 from the address" % level)

    game.browser.call("Page.addScriptToEvaluateOnNewDocument", source=PAD)
    game.open(base + "/?bot=2")
    game.shows("a later visit: the main menu still in Slovak",
               lambda: game.tint(300, 100, "011"), game.slovak)
    text = game.settings_file() or ""
    for line in ("language = sk", "volume = 40", "speed = %d" % level):
        if line not in text.splitlines():
            raise Failure("a later visit: no '%s' in the kept settings:\n%s" % (line, text))
    # This time through a pad: its down and A stand for Down and Space.
    game.hold_until("pad 13", "a later visit, the pad's down: Nastavenia highlighted",
                    lambda: game.tint(270, 130, "011"))
    game.hold_until("pad 0", "a later visit, the pad's A: speed level %d still marked" % level,
                    lambda: game.speed_screen(level))
    game.save("speed_screen_kept")
    print("ok: a later visit keeps the language, the volume and speed level %d" % level)
    print("ok: a pad through the browser moves the highlight and chooses")


def main():
    args = sys.argv[1:]
    shots = None
    if "--shots" in args:
        i = args.index("--shots")
        shots = args[i + 1]
        del args[i:i + 2]
        os.makedirs(shots, exist_ok=True)
    folder = os.path.abspath(args[0] if args else os.path.join(os.path.dirname(__file__), "../../build-web"))
    if not os.path.exists(os.path.join(folder, "index.html")):
        print("browser_test: no %s/index.html: build it with ./web.sh" % folder, file=sys.stderr)
        return 1
    server = serve(folder)
    browser = None
    started = time.monotonic()
    try:
        browser = Browser()
        play(browser, "http://127.0.0.1:%d" % server.server_address[1], shots)
    except Failure as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        if browser and shots:
            try:
                with open(os.path.join(shots, "failure.png"), "wb") as f:
                    f.write(browser.screenshot())
            except Exception:
                pass
        return 1
    finally:
        if browser:
            browser.close()
        server.shutdown()
        server.server_close()
    print("browser test passed in %.0f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
