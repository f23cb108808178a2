#!/usr/bin/env python3
"""Sample portal: the reference of what Zentaris expects of a portal's web
server, small enough to read in one sitting. Loopback only.

    sample_portal.py [--port 8780] [--games games.json] [--signing-key SEED_FILE]
                     [--installer Zentaris-Setup-i686.exe]

With --signing-key (the seed file that link_signing.py keygen made, such as
BUILD/win64/signing/portal-signing.seed) every launch link is signed, as a
launcher built with the matching public key requires.

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
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

import link_signing
import news_image

HERE = os.path.dirname(os.path.abspath(__file__))
INSTALLER_PATH = "downloads/Zentaris-Setup.exe"


class Portal:
    def __init__(self, base_url, games, signing_seed=None, installer=None):
        self.base_url = base_url
        self.games = games
        self.signing_seed = signing_seed
        self.installer = installer
        with open(os.path.join(HERE, "index.html"), encoding="utf-8") as f:
            self.page = string.Template(f.read())
        self.approval_ids = set()
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

    def launch_url(self, game):
        """A launch URL with a fresh one-time approval id: a replayed link is
        refused by launcher/<id>/."""
        approval_id = secrets.token_hex(8)
        with self.lock:
            self.approval_ids.add(approval_id)
        fields = [game["appname"], game["installkey"], game["installvalue"],
                  game["exename"], self.base_url + game["page"], approval_id]
        if self.signing_seed:
            # The signature covers the six fields, approval id included, so
            # a page can pair this approval with no other fields.
            fields.append(link_signing.sign_fields(self.signing_seed, fields))
        payload = base64.b64encode(";".join(fields).encode("cp1252")).decode("ascii")
        return "zentaris://launch/" + payload

    def approve(self, approval_id):
        with self.lock:
            if approval_id in self.approval_ids:
                self.approval_ids.remove(approval_id)
                return True
        return False

    def download_list(self):
        lines = [f"{g['appname']};{self.base_url}{g['client']}\r\n" for g in self.games]
        return "".join(lines).encode("cp1252")

    def index_page(self):
        games = "\n".join(
            f'<li><a class="launch" data-game="{html.escape(g["appname"])}" '
            f'href="{html.escape(self.launch_url(g))}">Play {html.escape(g["appname"])}</a>'
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

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        portal = self.server.portal
        url = urlsplit(self.path)
        path = url.path
        parts = [p for p in path.split("/") if p]
        if path == "/":
            return self.send(200, portal.index_page(), "text/html; charset=utf-8")
        if len(parts) == 2 and parts[0] == "launcher" and parts[1] != "news.dib" and path.endswith("/"):
            answer = b"1\n" if portal.approve(parts[1]) else b"0\n"
            return self.send(200, answer, "text/plain")
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
                    return self.send(200, portal.launch_url(game).encode("ascii"), "text/plain")
            return self.send(404, b"no such game\n", "text/plain")
        for game in portal.games:
            if path == "/" + game["page"]:
                return self.send(200, f"<!doctype html><title>{html.escape(game['appname'])}</title>"
                                      f"<h1>{html.escape(game['appname'])}</h1>".encode(), "text/html")
        self.send(404, b"<!doctype html><title>404</title><h1>Not found</h1>", "text/html")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", type=int, default=8780)
    ap.add_argument("--games", default=os.path.join(HERE, "games.json"))
    ap.add_argument("--signing-key", help="seed file of the portal's link-signing key")
    ap.add_argument("--installer", help="release installer served at " + INSTALLER_PATH)
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()
    with open(args.games) as f:
        games = json.load(f)["games"]
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    port = server.server_address[1]
    seed = link_signing.read_seed(args.signing_key) if args.signing_key else None
    if args.installer and not os.path.isfile(args.installer):
        ap.error(f"no installer at {args.installer}")
    server.portal = Portal(f"http://127.0.0.1:{port}/", games, seed, args.installer)
    server.verbose = args.verbose
    print(port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
