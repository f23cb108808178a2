"""Debian's Chromium on the X display of a Wine session, as a visitor's
browser: its own throw-away profile, zentaris: links handed to a handler
that opens them through the Windows shell in the session's prefix, a real
pointer for clicks (xdotool), and the DevTools protocol on loopback to read
the page. Nothing it starts outlives close().

    chromium.py DIR URL LINK_TEXT STARTED_LOG SCREENSHOT.png
        opens URL, clicks the link LINK_TEXT, waits for the game's log and
        the page's word that it is starting, prints the page's text and
        keeps a screenshot
        (for the demo; WINEPREFIX, WINELOADER and DISPLAY come from the
        session, ZEN_SHELLOPEN names zen_shellopen.exe)
"""
import base64
import json
import os
import shlex
import shutil
import signal
import socket
import struct
import subprocess
import sys
import time
import urllib.request

# Managed policy, in the machine's Chromium policy folder (setup.sh writes it):
# zentaris: links from loopback pages open without asking, as a portal's
# visitors who ticked "always allow" see them.
POLICY_FILE = "/etc/chromium/policies/managed/zentaris-tests.json"


def why_not_available():
    """Why Chromium cannot run the road here, or None."""
    for tool in ("chromium", "xdotool", "xdg-open"):
        if not shutil.which(tool):
            return f"{tool} is not installed (scripts/setup.sh installs it)"
    if not os.path.isfile(POLICY_FILE):
        return f"{POLICY_FILE} is missing (scripts/setup.sh writes it)"
    if not os.environ.get("DISPLAY"):
        return "no X display"
    return None


def wait_until(what, timeout, condition, interval=0.1):
    """condition()'s first true value, polled until the bound."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"{what}: not within {timeout} s")
        time.sleep(interval)


class DevTools:
    """The least of the DevTools protocol: one page, one call at a time,
    over a WebSocket on loopback."""

    def __init__(self, port):
        pages = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10))
        page = next(p for p in pages if p["type"] == "page")
        path = page["webSocketDebuggerUrl"].split(f"127.0.0.1:{port}", 1)[1]
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            head += self._exactly(1)
        if b" 101 " not in head.split(b"\r\n", 1)[0]:
            raise ConnectionError(f"DevTools refused the WebSocket: {head[:80]!r}")
        self.last_id = 0

    def _exactly(self, size):
        data = b""
        while len(data) < size:
            chunk = self.sock.recv(size - len(data))
            if not chunk:
                raise ConnectionError("DevTools closed the connection")
            data += chunk
        return data

    def _send(self, text):
        data = text.encode()
        mask = os.urandom(4)
        if len(data) < 126:
            head = struct.pack("!BB", 0x81, 0x80 | len(data))
        else:
            head = struct.pack("!BBH", 0x81, 0x80 | 126, len(data))
        self.sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def _receive(self):
        first, second = self._exactly(2)
        size = second & 0x7F
        if size == 126:
            size = struct.unpack("!H", self._exactly(2))[0]
        elif size == 127:
            size = struct.unpack("!Q", self._exactly(8))[0]
        payload = self._exactly(size)
        return json.loads(payload) if first & 0x0F == 1 else {}

    def call(self, method, **params):
        self.last_id += 1
        self._send(json.dumps({"id": self.last_id, "method": method, "params": params}))
        while True:
            message = self._receive()
            if message.get("id") == self.last_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message["result"]

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return result["result"].get("value")

    def close(self):
        self.sock.close()


class Chromium:
    def __init__(self, work, shellopen):
        """work: a scratch folder of the caller's; shellopen: zen_shellopen.exe."""
        self.work = work
        self.handled_log = os.path.join(work, "handled.log")
        self._write_scheme_handler(shellopen)
        self.process = None
        self.devtools = None

    def _write_scheme_handler(self, shellopen):
        # What the desktop runs for x-scheme-handler/zentaris: the Windows
        # shell of the prefix, which reads the installer's registration.
        handler = os.path.join(self.work, "zentaris-handler.sh")
        env = " ".join(f"{name}={shlex.quote(os.environ[name])}"
                       for name in ("WINEPREFIX", "WINELOADER", "DISPLAY") if name in os.environ)
        with open(handler, "w") as f:
            f.write("#!/bin/sh\n"
                    f'printf "%s\\n" "$1" >> {shlex.quote(self.handled_log)}\n'
                    f'exec env {env} WINEDEBUG=-all {shlex.quote(os.environ["WINELOADER"])} '
                    f'{shlex.quote(shellopen)} "$1" '
                    ">/dev/null 2>&1 </dev/null\n")
        os.chmod(handler, 0o755)
        applications = os.path.join(self.work, "xdg-data", "applications")
        os.makedirs(applications, exist_ok=True)
        os.makedirs(os.path.join(self.work, "xdg-config"), exist_ok=True)
        with open(os.path.join(applications, "zentaris-wine.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Zentaris (Wine)\nNoDisplay=true\n"
                    f"Exec={handler} %u\nMimeType=x-scheme-handler/zentaris;\n")
        with open(os.path.join(self.work, "xdg-config", "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\nx-scheme-handler/zentaris=zentaris-wine.desktop\n")

    def forget_scheme_handler(self):
        """From now on the desktop has no program for zentaris: links, as on
        a machine where Zentaris is not installed."""
        os.remove(os.path.join(self.work, "xdg-data", "applications", "zentaris-wine.desktop"))
        os.remove(os.path.join(self.work, "xdg-config", "mimeapps.list"))

    def start(self, url):
        profile = os.path.join(self.work, "profile")
        env = dict(os.environ, HOME=os.path.join(self.work, "home"),
                   XDG_DATA_HOME=os.path.join(self.work, "xdg-data"),
                   XDG_CONFIG_HOME=os.path.join(self.work, "xdg-config"))
        os.makedirs(env["HOME"], exist_ok=True)
        arguments = [
            "chromium", f"--user-data-dir={profile}", "--remote-debugging-port=0",
            "--no-first-run", "--no-default-browser-check", "--disable-sync",
            "--disable-background-networking", "--disable-component-update",
            "--disable-domain-reliability", "--disable-client-side-phishing-detection",
            "--no-pings", "--password-store=basic",
            # Nothing but loopback: other names resolve to nothing, and any
            # other address would go through a proxy that is not there.
            "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
            "--proxy-server=http://127.0.0.1:9",
            "--window-position=0,0", "--window-size=1024,768",
        ]
        if os.geteuid() == 0:
            arguments.append("--no-sandbox")  # Chromium refuses root otherwise
        arguments.append(url)
        with open(os.path.join(self.work, "chromium.log"), "wb") as log:
            self.process = subprocess.Popen(arguments, env=env, stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=subprocess.STDOUT, start_new_session=True)
        port_file = os.path.join(profile, "DevToolsActivePort")

        def port():
            if self.process.poll() is not None:
                raise RuntimeError(f"Chromium ended at once (status {self.process.returncode})")
            try:
                with open(port_file) as f:
                    return int(f.readline())
            except (OSError, ValueError):
                return None

        self.devtools = DevTools(wait_until("Chromium's DevTools port", 60, port))
        wait_until("the page", 60, lambda: self.devtools.evaluate(
            "document.readyState === 'complete' && location.href") == url)

    def text(self):
        return self.devtools.evaluate("document.body.innerText")

    def click_link(self, text):
        """A real click of the pointer on the link with this text, seen by
        the page. A click that reached no element (Chromium drops input
        that comes before the page's first frame, or while its window is
        still being placed) is given again; one that reached anything else,
        or arrived twice, is an error."""
        clicks = self.devtools.evaluate(
            "(function () {"
            "  if (!window.zenClicks) {"
            "    window.zenClicks = [];"
            "    document.addEventListener('click', function (e) {"
            "      var a = e.isTrusted && e.target.closest ? e.target.closest('a') : null;"
            "      window.zenClicks.push(a ? a.textContent : String(e.target.nodeName));"
            "    }, true);"
            "  }"
            "  return window.zenClicks.length;"
            "})()")
        missed = []
        for _ in range(4):
            spot = self._point_at(text)
            subprocess.run(["xdotool", "click", "1"], check=True, timeout=30)
            try:
                seen = wait_until("the click", 15, lambda: self.devtools.evaluate(
                    f"window.zenClicks.length > {clicks} && window.zenClicks.slice({clicks})"))
            except TimeoutError:
                missed.append(spot)
                continue
            if seen != [text]:
                raise RuntimeError(f"a click at {spot} for {text!r} reached {seen}")
            return
        raise RuntimeError(f"no click on {text!r} reached the page (pointer at {missed})")

    def _point_at(self, text):
        """Raises the browser and puts the pointer on the link's middle."""
        spot = self.devtools.evaluate(
            "(function () {"
            "  var links = document.querySelectorAll('a');"
            "  for (var i = 0; i < links.length; i++) {"
            f"    if (links[i].textContent === {json.dumps(text)}) {{"
            "      var r = links[i].getBoundingClientRect();"
            "      var border = (window.outerWidth - window.innerWidth) / 2;"
            "      return [Math.round(window.screenX + border + r.left + r.width / 2),"
            "              Math.round(window.screenY + window.outerHeight - window.innerHeight - border"
            "                         + r.top + r.height / 2)];"
            "    }"
            "  }"
            "  return null;"
            "})()")
        if not spot:
            raise LookupError(f"no link {text!r} on the page")
        # Without a window manager nothing keeps the browser on top of the
        # prefix's windows (the tray's popups): raise it first.
        windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.process.pid)],
                                 capture_output=True, text=True, timeout=30).stdout.split()
        for window in windows:
            subprocess.run(["xdotool", "windowraise", window], timeout=30)
        subprocess.run(["xdotool", "mousemove", "--sync", str(spot[0]), str(spot[1])], check=True, timeout=30)
        under = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, text=True,
                               timeout=30).stdout
        window = dict(line.split("=", 1) for line in under.split() if "=" in line).get("WINDOW", "")
        if window not in windows:
            name = subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True,
                                  timeout=30).stdout.strip()
            raise RuntimeError(f"the pointer at {spot} is over {name!r}, not the browser")
        return spot

    def link_target(self, element_id):
        return self.devtools.evaluate(f"document.getElementById({json.dumps(element_id)}).href")

    def screenshot(self, path):
        # To the body's bottom as laid out: its height alone leaves out the
        # first heading's margin, which pushes the whole body down.
        size = self.devtools.evaluate("[document.documentElement.scrollWidth,"
                                      " Math.ceil(document.body.getBoundingClientRect().bottom) + 16]")
        clip = {"x": 0, "y": 0, "width": min(size[0], 800), "height": size[1], "scale": 1}
        data = self.devtools.call("Page.captureScreenshot", format="png", clip=clip)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        if self.devtools:
            self.devtools.close()
        if self.process and self.process.poll() is None:
            # Chromium's helpers share its session: end them all.
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()


def demo(work, url, link_text, started_log, screenshot):
    browser = Chromium(work, os.environ["ZEN_SHELLOPEN"])
    try:
        browser.start(url)
        browser.click_link(link_text)
        wait_until("the game to start", 120, lambda: os.path.exists(started_log))
        # The page learns it from the portal, which approved the launch
        # before the game started: a page that does not say so is wrong.
        try:
            wait_until("the page to say the game is starting", 20,
                       lambda: "Zentaris is starting" in browser.text())
        finally:
            print(browser.text())
            browser.screenshot(screenshot)
    finally:
        browser.close()


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    reason = why_not_available()
    if reason:
        sys.exit(f"Chromium cannot run here: {reason}")
    demo(*sys.argv[1:])
