#!/usr/bin/env python3
"""Sample portal: the reference of what Zentaris expects of a portal's web
server, small enough to read in one sitting. Loopback only.

    sample_portal.py [--port 8780] [--games games.json]
                     (--signing-key SEED_FILE | --unsigned)
                     [--installer Zentaris-Setup-i686.exe
                      [--installer-version 1.0.2.0 [--manifest-key SEED_FILE]
                       [--update-minimum VERSION] [--update-not-before SECONDS]]]
                     [--approval-lifetime SECONDS] [--status-wait SECONDS]
                     [--store sqlite:PATH | --store redis://HOST:PORT[/DB]]

With --signing-key (the seed file that link_signing.py keygen made, such as
BUILD/signing/portal-signing.seed) every launch link is signed, as a
launcher built with the matching public key requires. It does not start
without one unless told --unsigned: unsigned links open only in launchers
built without keys, and a portal that signs nothing by mistake should fail
at once, not at its visitors' first click.

Each launch link carries a one-time approval id. It approves one GET of
launcher/<id>/ within --approval-lifetime seconds (300 by default) of being
handed out; HEAD neither spends nor hands out ids. At most 10000 ids are
kept; beyond that the oldest is forgotten. Answers that hand out or spend
an id, or tell of one, are sent with Cache-Control: no-store.

Launch status: the page's answer sets a cookie (zen_page: a random token,
HttpOnly, SameSite=Strict) and each id on that page is kept with the token.
What the launcher asked is kept with the id for one more lifetime, and
api/launch-status/<id> tells it, to the page that carries the token alone:
"waiting" (not asked yet), "starting" (asked and approved), "refused" (asked
and refused: the id was spent or too old), "expired" (never asked within
its lifetime). The page waits --status-wait seconds (20 by default) for the
launcher to ask before it says Zentaris did not answer.

Updates: with --installer-version (the version the --installer carries)
launcher/update.txt is the signed update manifest that tells installed
launchers of it: its address below (downloads/Zentaris-Setup-<version>.exe),
size and SHA-256, the oldest version that may update to it
(--update-minimum, 0.0.0.0 by default) and, with --update-not-before, the
time before which none does. It is signed with --manifest-key, or else with
--signing-key: during a key rotation the manifest that brings the build with
the new key must still be signed with the old one, which the installed
launchers know (update_manifest.py signs one by hand).

Where the ids are kept (--store): SQLite by default, in a database of this
process alone; sqlite:PATH keeps them in a file that every process given
the same PATH shares; redis://HOST:PORT keeps them in Redis (python3-redis),
shared by every process given the same server. Any process answers for the
ids another made, and an id approves once even when two processes are asked
for it at the same moment.

What it serves, below its base URL (the launcher's built-in PortalBaseUrl):
    /                      the page (index.html): a launch link per game, and
                           a truthful word on whether Zentaris took the click
    downloads/Zentaris-Setup.exe
                           the release installer given with --installer
    downloads/Zentaris-Setup-<version>.exe
                           the same installer, as the update manifest names it
    launcher/update.txt    the signed update manifest (with --installer-version)
    launcher/<id>/         launch approval: "1" once for each id this portal
                           handed out with a launch link, "0" otherwise
    api/launch-status/<id> {"state": ...} of one of the page's own ids
                           (application/json), 404 for any other
    images/uinstapp.dat    download list: "name;url" lines (tray menu)
    launcher/news.dib      news picture: packed 268 x 79 24-bit bitmap
    pages/news/            news page, opened in the user's browser
    images/space.gif       install-check image, answered by the protocol handler
    games/<name>/          a game's page (the launch payload's web link)
    api/launch-url?game=N  a fresh launch URL for game N, as text (for scripts)
"""
import argparse
import base64
import hmac
import html
import json
import os
import re
import secrets
import sqlite3
import string
import sys
import threading
import time
from contextlib import contextmanager
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

import link_signing
import news_image
import update_manifest

HERE = os.path.dirname(os.path.abspath(__file__))
INSTALLER_PATH = "downloads/Zentaris-Setup.exe"
UPDATE_MANIFEST_PATH = "launcher/update.txt"
APPROVAL_LIFETIME = 300.0
MAX_APPROVALS = 10000
STATUS_WAIT = 20.0
PAGE_COOKIE = "zen_page"
# Pages that carry one-time links and answers that spend them are for one
# visitor, once: no browser or proxy cache may keep or replay them.
NO_STORE = {"Cache-Control": "no-store"}
# The only shapes this portal hands out (secrets.token_hex): anything else
# a request names is unknown without asking the store.
APPROVAL_ID = re.compile(r"[0-9a-f]{16}\Z")
PAGE_TOKEN = re.compile(r"[0-9a-f]{32}\Z")


class SqliteStore:
    """Approval ids in SQLite: a database of this process alone (":memory:")
    or a file that every process given the same path shares. Times are on
    the wall clock, which every process and a restarted one agree on."""

    SCHEMA = """CREATE TABLE IF NOT EXISTS approvals (
        seq INTEGER PRIMARY KEY AUTOINCREMENT,  -- order of issue
        id TEXT NOT NULL UNIQUE,
        token TEXT NOT NULL,                    -- the page's, or '' for none
        state TEXT NOT NULL,                    -- waiting, starting, refused
        expires REAL NOT NULL,                  -- approves only before this
        kept_until REAL NOT NULL);              -- status told until this
        CREATE INDEX IF NOT EXISTS approvals_kept ON approvals (kept_until)"""

    def __init__(self, path, lifetime=APPROVAL_LIFETIME, max_ids=MAX_APPROVALS, clock=time.time):
        self.errors = (sqlite3.Error,)
        self.lifetime = lifetime
        self.max_ids = max_ids
        self.clock = clock
        # One connection per process, used by one thread at a time; other
        # processes are kept out by SQLite's own locks, waited for up to
        # the timeout.
        self.db = sqlite3.connect(path, timeout=30, isolation_level=None, check_same_thread=False)
        self.lock = threading.Lock()
        with self.transaction() as db:
            for statement in self.SCHEMA.split(";"):
                db.execute(statement)

    @contextmanager
    def transaction(self):
        # IMMEDIATE takes the write lock at once: two processes spending one
        # id are put one after the other, and the second finds it spent.
        with self.lock:
            self.db.execute("BEGIN IMMEDIATE")
            try:
                yield self.db
            except BaseException:
                self.db.execute("ROLLBACK")
                raise
            self.db.execute("COMMIT")

    def issue(self, approval_id, token):
        now = self.clock()
        with self.transaction() as db:
            db.execute("DELETE FROM approvals WHERE kept_until <= ?", (now,))
            # Anyone can ask for pages, so the store must not grow with them.
            # When full, the oldest id goes: forgetting an id can only turn a
            # launch away ("0"), never approve one, and the oldest is the
            # nearest to expiry and the least likely to be clicked still.
            # Refusing new ids instead would let a flood of page requests
            # stop every new visitor from launching for a whole lifetime.
            (count,) = db.execute("SELECT count(*) FROM approvals").fetchone()
            if count >= self.max_ids:
                db.execute("DELETE FROM approvals WHERE seq IN (SELECT seq FROM approvals ORDER BY seq LIMIT ?)",
                           (count - self.max_ids + 1,))
            return db.execute("INSERT OR IGNORE INTO approvals (id, token, state, expires, kept_until) "
                              "VALUES (?, ?, 'waiting', ?, ?)",
                              (approval_id, token, now + self.lifetime, now + 2 * self.lifetime)).rowcount == 1

    def approve(self, approval_id, spend):
        now = self.clock()
        if not spend:
            with self.lock:
                return self.db.execute("SELECT 1 FROM approvals WHERE id = ? AND state = 'waiting' AND expires > ?",
                                       (approval_id, now)).fetchone() is not None
        with self.transaction() as db:
            approved = db.execute("UPDATE approvals SET state = 'starting' "
                                  "WHERE id = ? AND state = 'waiting' AND expires > ?",
                                  (approval_id, now)).rowcount == 1
            if not approved:
                db.execute("UPDATE approvals SET state = 'refused' WHERE id = ?", (approval_id,))
            return approved

    def status(self, approval_id):
        """(token, state) of a kept id, or None."""
        now = self.clock()
        with self.lock:
            row = self.db.execute("SELECT token, state, expires FROM approvals WHERE id = ? AND kept_until > ?",
                                  (approval_id, now)).fetchone()
        if row is None:
            return None
        token, state, expires = row
        return token, "expired" if state == "waiting" and expires <= now else state


class RedisStore:
    """Approval ids in Redis, shared by every process given the same server.
    Per id: "approval:<id>", which exists while the id may approve (PX: the
    lifetime), and "launch:<id>", the page's token and the state, kept one
    lifetime longer (PX). The bound: "issued" lists the ids in order of
    issue, and the script that adds one deletes the oldest one's keys
    beyond the bound, so no more than the bound are ever kept. Each step is
    one Lua script, which Redis runs whole before any other command."""

    ISSUE = """
        if not redis.call('SET', KEYS[1], '1', 'NX', 'PX', ARGV[3]) then return 0 end
        redis.call('HSET', KEYS[2], 'token', ARGV[2], 'state', 'waiting')
        redis.call('PEXPIRE', KEYS[2], ARGV[4])
        redis.call('RPUSH', KEYS[3], ARGV[1])
        while redis.call('LLEN', KEYS[3]) > tonumber(ARGV[5]) do
          local old = redis.call('LPOP', KEYS[3])
          redis.call('DEL', ARGV[6] .. 'approval:' .. old, ARGV[6] .. 'launch:' .. old)
        end
        return 1"""
    # The approval key's deletion is the spend: of any number of askers,
    # only the one whose DEL removed it is approved.
    SPEND = """
        local approved = redis.call('DEL', KEYS[1])
        if redis.call('EXISTS', KEYS[2]) == 1 then
          redis.call('HSET', KEYS[2], 'state', approved == 1 and 'starting' or 'refused')
        end
        return approved"""
    STATUS = """
        local kept = redis.call('HMGET', KEYS[2], 'token', 'state')
        if not kept[1] then return false end
        if kept[2] == 'waiting' and redis.call('EXISTS', KEYS[1]) == 0 then kept[2] = 'expired' end
        return kept"""
    PREFIX = "zentaris:"

    def __init__(self, url, lifetime=APPROVAL_LIFETIME, max_ids=MAX_APPROVALS):
        try:
            import redis
        except ImportError:
            raise RuntimeError(f"this Python ({sys.executable}) has no redis module "
                               "(Debian's python3-redis is for /usr/bin/python3)") from None
        self.errors = (redis.RedisError,)
        self.lifetime_ms = max(1, round(lifetime * 1000))
        self.max_ids = max_ids
        self.redis = redis.Redis.from_url(url, socket_timeout=10)
        self.redis.ping()  # an unreachable store fails the start, not a visitor's click
        self.issue_script = self.redis.register_script(self.ISSUE)
        self.spend_script = self.redis.register_script(self.SPEND)
        self.status_script = self.redis.register_script(self.STATUS)

    def keys(self, approval_id):
        return [self.PREFIX + "approval:" + approval_id, self.PREFIX + "launch:" + approval_id]

    def issue(self, approval_id, token):
        return self.issue_script(
            keys=self.keys(approval_id) + [self.PREFIX + "issued"],
            args=[approval_id, token, self.lifetime_ms, 2 * self.lifetime_ms, self.max_ids, self.PREFIX]) == 1

    def approve(self, approval_id, spend):
        if not spend:
            return self.redis.exists(self.keys(approval_id)[0]) == 1
        return self.spend_script(keys=self.keys(approval_id)) == 1

    def status(self, approval_id):
        kept = self.status_script(keys=self.keys(approval_id))
        return None if kept is None else (kept[0].decode("ascii"), kept[1].decode("ascii"))


def open_store(address, lifetime=APPROVAL_LIFETIME, max_ids=MAX_APPROVALS):
    """The store that --store names: None (a database of this process
    alone), sqlite:PATH or redis://..."""
    if address is None:
        return SqliteStore(":memory:", lifetime, max_ids)
    if address.startswith("sqlite:") and len(address) > len("sqlite:"):
        return SqliteStore(address[len("sqlite:"):], lifetime, max_ids)
    if address.startswith(("redis://", "rediss://")):
        return RedisStore(address, lifetime, max_ids)
    raise ValueError(f"not a store: {address!r} (sqlite:PATH or redis://HOST:PORT)")


class Update:
    """The installer of --installer-version, as read at the start, and the
    signed manifest that names it: the bytes served are the bytes hashed."""

    def __init__(self, base_url, installer_path, version, seed, minimum="0.0.0.0", not_before=None):
        with open(installer_path, "rb") as f:
            self.installer = f.read()
        self.path = f"downloads/Zentaris-Setup-{update_manifest.check_version(version)}.exe"
        self.manifest = update_manifest.installer_manifest(seed, self.installer, version, base_url + self.path,
                                                           minimum, not_before)


class Portal:
    def __init__(self, base_url, games, store, signing_seed=None, installer=None, status_wait=STATUS_WAIT,
                 update=None):
        self.base_url = base_url
        self.update = update
        self.games = games
        self.store = store
        self.signing_seed = signing_seed
        self.installer = installer
        self.status_wait = status_wait
        with open(os.path.join(HERE, "index.html"), encoding="utf-8") as f:
            self.page = string.Template(f.read())
        self.news = news_image.packed_dib()
        with open(os.path.join(HERE, "space.gif"), "rb") as f:
            self.space_gif = f.read()
        for game in games:
            for field in ("appname", "installkey", "installvalue", "exename", "page"):
                # The payload separates fields with ';' and cannot carry an
                # empty field.
                if not game[field] or ";" in game[field]:
                    raise ValueError(f"game field {field!r} is empty or holds ';': {game[field]!r}")

    def launch_url(self, game, token="", issue=True):
        """A launch URL with a fresh one-time approval id, and the id: a
        replayed link, or one used after the id's lifetime, is refused by
        launcher/<id>/. The id is kept with the page's token (none for
        scripts); with issue=False it is never kept (an answer to HEAD)."""
        while True:
            approval_id = secrets.token_hex(8)
            # A store refuses an id it already keeps (a 64-bit collision).
            if not issue or self.store.issue(approval_id, token):
                break
        fields = [game["appname"], game["installkey"], game["installvalue"],
                  game["exename"], self.base_url + game["page"], approval_id]
        if self.signing_seed:
            # The signature covers the six fields, approval id included, so
            # a page can pair this approval with no other fields.
            fields.append(link_signing.sign_fields(self.signing_seed, fields))
        payload = base64.b64encode(";".join(fields).encode("cp1252")).decode("ascii")
        return "zentaris://launch/" + payload, approval_id

    def approve(self, approval_id, spend=True):
        """Whether the id approves a launch now; spend=False only looks (HEAD)."""
        return bool(APPROVAL_ID.match(approval_id)) and self.store.approve(approval_id, spend)

    def launch_status(self, approval_id, token):
        """The id's state for the page that holds token, or None: an id of
        another page, of none, or unknown, is not told apart."""
        if not APPROVAL_ID.match(approval_id) or not PAGE_TOKEN.match(token):
            return None
        kept = self.store.status(approval_id)
        if kept is None or not hmac.compare_digest(kept[0], token):
            return None
        return kept[1]

    def download_list(self):
        lines = [f"{g['appname']};{self.base_url}{g['client']}\r\n" for g in self.games]
        return "".join(lines).encode("cp1252")

    def index_page(self, token=None):
        """The page, its ids kept with token; with None it keeps none (HEAD)."""
        items = []
        for g in self.games:
            url, approval_id = self.launch_url(g, token or "", issue=token is not None)
            items.append(
                f'<li><a class="launch" data-game="{html.escape(g["appname"])}" data-approval="{approval_id}" '
                f'href="{html.escape(url)}">Play {html.escape(g["appname"])}</a>'
                f' &middot; <a href="{html.escape(self.base_url + g["page"])}">about</a></li>')
        return self.page.substitute(games="\n".join(items), installer=html.escape(self.base_url + INSTALLER_PATH),
                                    status_wait_ms=int(self.status_wait * 1000)).encode("utf-8")


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
        try:
            self.answer()
        except self.server.portal.store.errors as e:
            # Without its store the portal can approve nothing: "0" in
            # effect, said as what it is.
            self.log_error("store: %s", e)
            self.send(503, b"the approval store is unavailable\n", "text/plain", NO_STORE)

    def page_token(self):
        """The zen_page cookie the request carries, or ""."""
        for header in self.headers.get_all("Cookie") or []:
            for pair in header.split(";"):
                name, _, value = pair.strip().partition("=")
                if name == PAGE_COOKIE:
                    return value
        return ""

    def answer(self):
        portal = self.server.portal
        is_get = self.command == "GET"
        url = urlsplit(self.path)
        path = url.path
        parts = [p for p in path.split("/") if p]
        if path == "/":
            if not is_get:
                return self.send(200, portal.index_page(None), "text/html; charset=utf-8", NO_STORE)
            # A token for this page alone: its links' states are told to it
            # and to no other page, visitor or site. Not kept in any script's
            # reach (HttpOnly) nor sent with another site's requests (Strict).
            token = secrets.token_hex(16)
            cookie = f"{PAGE_COOKIE}={token}; Path=/; HttpOnly; SameSite=Strict"
            return self.send(200, portal.index_page(token), "text/html; charset=utf-8",
                             dict(NO_STORE, **{"Set-Cookie": cookie}))
        if len(parts) == 2 and parts[0] == "launcher" and parts[1] != "news.dib" and path.endswith("/"):
            answer = b"1\n" if portal.approve(parts[1], spend=is_get) else b"0\n"
            return self.send(200, answer, "text/plain", NO_STORE)
        if len(parts) == 3 and path == "/api/launch-status/" + parts[2]:
            state = portal.launch_status(parts[2], self.page_token())
            if state is None:
                return self.send(404, b"no such launch\n", "text/plain", NO_STORE)
            return self.send(200, json.dumps({"state": state}).encode("ascii"), "application/json", NO_STORE)
        if path == "/launcher/news.dib":
            return self.send(200, portal.news, "image/bmp")
        if path == "/" + INSTALLER_PATH:
            return self.send_installer(portal.installer)
        if path == "/" + UPDATE_MANIFEST_PATH:
            if not portal.update:
                return self.send(404, b"this sample portal was started without --installer-version\n", "text/plain")
            # Revalidated by caches, so that a new release is seen at once.
            return self.send(200, portal.update.manifest, "text/plain; charset=us-ascii", {"Cache-Control": "no-cache"})
        if portal.update and path == "/" + portal.update.path:
            return self.send(200, portal.update.installer, "application/vnd.microsoft.portable-executable",
                             {"Content-Disposition": 'attachment; filename="Zentaris-Setup.exe"'})
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
                    launch_url = portal.launch_url(game, issue=is_get)[0]
                    return self.send(200, launch_url.encode("ascii"), "text/plain", NO_STORE)
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
    ap.add_argument("--installer-version", metavar="VERSION",
                    help="the version the installer carries: serve the signed update manifest at "
                         + UPDATE_MANIFEST_PATH)
    ap.add_argument("--manifest-key", metavar="SEED_FILE",
                    help="seed file of the key that signs the update manifest (default: --signing-key's)")
    ap.add_argument("--update-minimum", default="0.0.0.0", metavar="VERSION",
                    help="the oldest version that may update to the installer's (default 0.0.0.0)")
    ap.add_argument("--update-not-before", type=int, metavar="SECONDS",
                    help="seconds since 1970 (UTC) before which no launcher updates")
    ap.add_argument("--approval-lifetime", type=seconds, default=APPROVAL_LIFETIME, metavar="SECONDS",
                    help=f"how long a one-time approval id approves (default {APPROVAL_LIFETIME:g})")
    ap.add_argument("--status-wait", type=seconds, default=STATUS_WAIT, metavar="SECONDS",
                    help="how long the page waits for the launcher to ask before it says Zentaris did not "
                         f"answer (default {STATUS_WAIT:g})")
    ap.add_argument("--store", metavar="sqlite:PATH|redis://HOST:PORT",
                    help="where approval ids are kept, shared by every portal process given the same store "
                         "(default: a database of this process alone)")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()
    if not args.signing_key and not args.unsigned:
        ap.error("no --signing-key: launchers built with signing keys refuse unsigned links; "
                 "give the portal's seed file, or --unsigned to serve unsigned links knowingly")
    with open(args.games) as f:
        games = json.load(f)["games"]
    seed = link_signing.read_seed(args.signing_key) if args.signing_key else None
    if args.installer and not os.path.isfile(args.installer):
        ap.error(f"no installer at {args.installer}")
    if args.installer_version and not args.installer:
        ap.error("--installer-version needs --installer: the manifest names the installer's bytes")
    manifest_seed = link_signing.read_seed(args.manifest_key) if args.manifest_key else seed
    if args.installer_version and not manifest_seed:
        ap.error("--installer-version needs a key to sign the manifest with: launchers take no unsigned one "
                 "(--manifest-key or --signing-key)")
    try:
        store = open_store(args.store, args.approval_lifetime)
    except Exception as e:  # whatever the store's library raises: said at the start
        ap.error(f"--store: {e}")
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    port = server.server_address[1]
    base_url = f"http://127.0.0.1:{port}/"
    update = None
    if args.installer_version:
        try:
            update = Update(base_url, args.installer, args.installer_version, manifest_seed, args.update_minimum,
                            args.update_not_before)
        except ValueError as e:
            ap.error(f"update manifest: {e}")
    server.portal = Portal(base_url, games, store, seed, args.installer, status_wait=args.status_wait,
                           update=update)
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
