#!/usr/bin/env python3
"""Sample portal: the reference of what Zentaris expects of a portal's web
server, small enough to read in one sitting. Loopback only.

    sample_portal.py [--port 8780] [--games games.json]
                     (--signing-key SEED_FILE | --unsigned)
                     [--installer Zentaris-Setup-i686.exe]
                     [--approval-lifetime SECONDS]

With --signing-key (the seed file that link_signing.py keygen made, such as
BUILD/signing/portal-signing.seed) every launch link is signed, as a
launcher built with the matching public key requires. It does not start
without one unless told --unsigned: unsigned links open only in launchers
built without keys, and a portal that signs nothing by mistake should fail
at once, not at its visitors' first click.

Each launch link carries a one-time approval id. It approves one GET of
launcher/<id>/ within --approval-lifetime seconds (300 by default) of being
handed out; HEAD neither spends nor hands out ids. At most 10000 ids are
outstanding; beyond that the oldest is forgotten. Answers that hand out or
spend an id are sent with Cache-Control: no-store.

What it serves, below its base URL (the launcher's built-in PortalBaseUrl):
    /                      the page (index.html): a launch link per game, and
                           a truthful word on whether Zentaris is installed
    downloads/Zentaris-Setup.exe
                           the release installer given with --installer
    launcher/<id>/         launch approval: "1" once for each id this portal
                           handed out with a launch link, "0" otherwise
    images/uinstapp.dat    download list: "name;url" lines (tray menu)
    launcher/news.dib      news picture: packed 268 x 79 24-bit bitmap
    pages/news/            news page, opened in the user's browser
    images/space.gif       install-check image, answered by the protocol handler
    games/<name>/          a game's page (the launch payload's web link)
    api/launch-url?game=N  a fresh launch URL for game N, as text (for scripts)
"""
import argparse
import base64
import html
import json
import os
import secrets
import string
import sys
import threading
import time
from collections import OrderedDict
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

import link_signing
import news_image

HERE = os.path.dirname(os.path.abspath(__file__))
INSTALLER_PATH = "downloads/Zentaris-Setup.exe"
APPROVAL_LIFETIME = 300.0
MAX_APPROVALS = 10000
# Pages that carry one-time links and answers that spend them are for one
# visitor, once: no browser or proxy cache may keep or replay them.
NO_STORE = {"Cache-Control": "no-store"}


class Portal:
    def __init__(self, base_url, games, signing_seed=None, installer=None,
                 clock=time.monotonic, approval_lifetime=APPROVAL_LIFETIME,
                 max_approvals=MAX_APPROVALS):
        self.base_url = base_url
        self.games = games
        self.signing_seed = signing_seed
        self.installer = installer
        with open(os.path.join(HERE, "index.html"), encoding="utf-8") as f:
            self.page = string.Template(f.read())
        # Outstanding ids and when each stops approving, oldest first: with
        # one lifetime and a monotonic clock, order of issue is order of expiry.
        self.approval_ids = OrderedDict()
        self.clock = clock
        self.approval_lifetime = approval_lifetime
        self.max_approvals = max_approvals
        self.lock = threading.Lock()
        self.news = news_image.packed_dib()
        with open(os.path.join(HERE, "space.gif"), "rb") as f:
            self.space_gif = f.read()
        for game in games:
            for field in ("appname", "installkey", "installvalue", "exename", "page"):
                # The payload separates fields with ';' and cannot carry an
                # empty field.
                if not game[field] or ";" in game[field]:
                    raise ValueError(f"game field {field!r} is empty or holds ';': {game[field]!r}")

    def launch_url(self, game, issue=True):
        """A launch URL with a fresh one-time approval id: a replayed link, or
        one used after the id's lifetime, is refused by launcher/<id>/. With
        issue=False the id is never recorded (an answer to HEAD)."""
        approval_id = secrets.token_hex(8)
        if issue:
            self.issue(approval_id)
        fields = [game["appname"], game["installkey"], game["installvalue"],
                  game["exename"], self.base_url + game["page"], approval_id]
        if self.signing_seed:
            # The signature covers the six fields, approval id included, so
            # a page can pair this approval with no other fields.
            fields.append(link_signing.sign_fields(self.signing_seed, fields))
        payload = base64.b64encode(";".join(fields).encode("cp1252")).decode("ascii")
        return "zentaris://launch/" + payload

    def issue(self, approval_id):
        with self.lock:
            now = self.clock()
            while self.approval_ids and next(iter(self.approval_ids.values())) <= now:
                self.approval_ids.popitem(last=False)
            # Anyone can ask for pages, so the store must not grow with them.
            # When full, the oldest id goes: forgetting an id can only turn a
            # launch away ("0"), never approve one, and the oldest is the
            # nearest to expiry and the least likely to be clicked still.
            # Refusing new ids instead would let a flood of page requests
            # stop every new visitor from launching for a whole lifetime.
            while len(self.approval_ids) >= self.max_approvals:
                self.approval_ids.popitem(last=False)
            self.approval_ids[approval_id] = now + self.approval_lifetime

    def approve(self, approval_id, spend=True):
        """Whether the id approves a launch now; spend=False only looks (HEAD)."""
        with self.lock:
            expires = self.approval_ids.get(approval_id)
            if expires is None:
                return False
            if self.clock() >= expires:
                del self.approval_ids[approval_id]
                return False
            if spend:
                del self.approval_ids[approval_id]
            return True

    def download_list(self):
        lines = [f"{g['appname']};{self.base_url}{g['client']}\r\n" for g in self.games]
        return "".join(lines).encode("cp1252")

    def index_page(self, issue=True):
        games = "\n".join(
            f'<li><a class="launch" data-game="{html.escape(g["appname"])}" '
            f'href="{html.escape(self.launch_url(g, issue))}">Play {html.escape(g["appname"])}</a>'
            f' &middot; <a href="{html.escape(self.base_url + g["page"])}">about</a></li>'
            for g in self.games)
        return self.page.substitute(games=games, installer=html.escape(self.base_url + INSTALLER_PATH)).encode("utf-8")


class Handler(BaseHTTPRequestHandler):
    server_version = "ZentarisSamplePortal/1"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            super().log_message(fmt, *args)

    def send(self, status, body, ctype, extra=None):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for name, value in (extra or {}).items():
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_installer(self, path):
        if not path:
            return self.send(404, b"this sample portal was started without --installer\n", "text/plain")
        with open(path, "rb") as f:
            body = f.read()
        self.send(200, body, "application/vnd.microsoft.portable-executable",
                  {"Content-Disposition": 'attachment; filename="Zentaris-Setup.exe"'})

    # HEAD answers as GET would, with the same status and length, but only
    # GET hands out or spends an approval id: a browser's or a link
    # checker's HEAD must not use up the visitor's launch.
    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        portal = self.server.portal
        is_get = self.command == "GET"
        url = urlsplit(self.path)
        path = url.path
        parts = [p for p in path.split("/") if p]
        if path == "/":
            return self.send(200, portal.index_page(is_get), "text/html; charset=utf-8", NO_STORE)
        if len(parts) == 2 and parts[0] == "launcher" and parts[1] != "news.dib" and path.endswith("/"):
            answer = b"1\n" if portal.approve(parts[1], spend=is_get) else b"0\n"
            return self.send(200, answer, "text/plain", NO_STORE)
        if path == "/launcher/news.dib":
            return self.send(200, portal.news, "image/bmp")
        if path == "/" + INSTALLER_PATH:
            return self.send_installer(portal.installer)
        if path == "/images/uinstapp.dat":
            return self.send(200, portal.download_list(), "text/plain; charset=windows-1252")
        if path == "/images/space.gif":
            return self.send(200, portal.space_gif, "image/gif")
        if path == "/pages/news/":
            return self.send(200, b"<!doctype html><title>News</title><h1>Zentaris news</h1>"
                                  b"<p>A new space demo is out.</p>", "text/html")
        if path == "/api/launch-url":
            name = parse_qs(url.query).get("game", [""])[0]
            for game in portal.games:
                if game["appname"] == name:
                    return self.send(200, portal.launch_url(game, is_get).encode("ascii"), "text/plain", NO_STORE)
            return self.send(404, b"no such game\n", "text/plain")
        for game in portal.games:
            if path == "/" + game["page"]:
                return self.send(200, f"<!doctype html><title>{html.escape(game['appname'])}</title>"
                                      f"<h1>{html.escape(game['appname'])}</h1>".encode(), "text/html")
        self.send(404, b"<!doctype html><title>404</title><h1>Not found</h1>", "text/html")


def seconds(text):
    value = float(text)
    if not value > 0 or value == float("inf"):
        raise argparse.ArgumentTypeError(f"not a positive number of seconds: {text}")
    return value


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", type=int, default=8780)
    ap.add_argument("--games", default=os.path.join(HERE, "games.json"))
    keys = ap.add_mutually_exclusive_group()
    keys.add_argument("--signing-key", help="seed file of the portal's link-signing key")
    keys.add_argument("--unsigned", action="store_true",
                      help="serve unsigned links (only launchers built without keys take them)")
    ap.add_argument("--installer", help="release installer served at " + INSTALLER_PATH)
    ap.add_argument("--approval-lifetime", type=seconds, default=APPROVAL_LIFETIME, metavar="SECONDS",
                    help=f"how long a one-time approval id approves (default {APPROVAL_LIFETIME:g})")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()
    if not args.signing_key and not args.unsigned:
        ap.error("no --signing-key: launchers built with signing keys refuse unsigned links; "
                 "give the portal's seed file, or --unsigned to serve unsigned links knowingly")
    with open(args.games) as f:
        games = json.load(f)["games"]
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    port = server.server_address[1]
    seed = link_signing.read_seed(args.signing_key) if args.signing_key else None
    if args.installer and not os.path.isfile(args.installer):
        ap.error(f"no installer at {args.installer}")
    server.portal = Portal(f"http://127.0.0.1:{port}/", games, seed, args.installer,
                           approval_lifetime=args.approval_lifetime)
    server.verbose = args.verbose
    if args.unsigned:
        print("sample_portal.py: warning: --unsigned: this portal's launch links are unsigned; "
              "only launchers built without signing keys take them", file=sys.stderr, flush=True)
    print(port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
