#!/usr/bin/env python3
"""The sample portal's one-time approval ids are spent by GET alone, expire,
and are bounded in number; what the launcher asked is told to the page that
was given the id and to nothing else; ids kept in SQLite or Redis are shared
by portal processes and approve once, even when asked at the same moment;
its one-time answers stay out of caches; it signs its links with the key it
is given and will not sign nothing silently; it serves the update manifest
for the installer it is given, signed with the key it is told."""
import base64
import ctypes
import ctypes.util
import hashlib
import http.client
import json
import os
import re
import selectors
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from http.server import ThreadingHTTPServer
from urllib.parse import quote

PORTAL = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPT = os.path.join(PORTAL, "sample_portal.py")
sys.path.insert(0, PORTAL)
import link_signing  # noqa: E402
import sample_portal  # noqa: E402
import update_manifest  # noqa: E402

with open(os.path.join(PORTAL, "games.json")) as _f:
    GAMES = json.load(_f)["games"]
LAUNCH_URL = "/api/launch-url?game=" + quote(GAMES[0]["appname"])


def launch_fields(launch_url):
    prefix = "zentaris://launch/"
    if not launch_url.startswith(prefix):
        raise AssertionError("not a launch URL: " + launch_url)
    return base64.b64decode(launch_url[len(prefix):]).decode("cp1252").split(";")


def request(port, method, path, cookie=None):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    try:
        conn.request(method, path, headers={"Cookie": cookie} if cookie else {})
        response = conn.getresponse()
        return response, response.read()
    finally:
        conn.close()


def page(port):
    """A visitor's page: its cookie ("zen_page=..."), the Set-Cookie header
    and each game's approval id on it."""
    response, body = request(port, "GET", "/")
    if response.status != 200:
        raise AssertionError(f"the page: {response.status}")
    set_cookie = response.getheader("Set-Cookie")
    ids = dict(re.findall(r'data-game="([^"]*)" data-approval="([0-9a-f]*)"', body.decode("utf-8")))
    if len(ids) != len(GAMES):
        raise AssertionError(f"the page's links: {ids}")
    return set_cookie.split(";", 1)[0], set_cookie, ids


def launch_status(port, approval_id, cookie):
    """The state told for the id, or the status of a refusal."""
    response, body = request(port, "GET", f"/api/launch-status/{approval_id}", cookie)
    if response.status != 200:
        return response.status
    if response.getheader("Content-Type") != "application/json":
        raise AssertionError("status answer of type " + response.getheader("Content-Type"))
    answer = json.loads(body)
    if set(answer) != {"state"}:
        raise AssertionError(f"status answer carries more than the state: {answer}")
    return answer["state"]


class Clock:
    """Time that moves only when a test moves it."""

    def __init__(self):
        self.now = 5000.0

    def __call__(self):
        return self.now


class ApprovalIds(unittest.TestCase):
    """A portal served in this process, on its injected clock."""
    LIFETIME = 300.0
    BOUND = 5

    def setUp(self):
        self.clock = Clock()
        server = ThreadingHTTPServer(("127.0.0.1", 0), sample_portal.Handler)
        server.daemon_threads = True
        server.verbose = False
        self.port = server.server_address[1]
        store = sample_portal.SqliteStore(":memory:", self.LIFETIME, self.BOUND, clock=self.clock)
        server.portal = sample_portal.Portal(f"http://127.0.0.1:{self.port}/", GAMES, store)
        thread = threading.Thread(target=server.serve_forever)
        thread.start()
        self.addCleanup(server.server_close)
        self.addCleanup(thread.join)
        self.addCleanup(server.shutdown)

    def get(self, path, method="GET"):
        response, body = request(self.port, method, path)
        self.assertEqual(response.status, 200, path)
        return response, body

    def new_id(self):
        return launch_fields(self.get(LAUNCH_URL)[1].decode("ascii"))[5]

    def approval(self, approval_id):
        return self.get(f"/launcher/{approval_id}/")[1]

    def test_head_neither_spends_nor_hands_out_ids(self):
        approval_id = self.new_id()
        response, body = self.get(f"/launcher/{approval_id}/", "HEAD")
        self.assertEqual((body, response.getheader("Content-Length")), (b"", "2"))
        # Had these recorded ids, the bound would have pushed the first out.
        for _ in range(self.BOUND):
            self.get("/", "HEAD")
            self.get(LAUNCH_URL, "HEAD")
        self.assertEqual(self.approval(approval_id), b"1\n")
        self.assertEqual(self.approval(approval_id), b"0\n")

    def test_an_id_approves_only_within_its_lifetime(self):
        early, late = self.new_id(), self.new_id()
        self.clock.now += self.LIFETIME - 0.5
        self.assertEqual(self.approval(early), b"1\n")
        fresh = self.new_id()
        self.clock.now += 1
        self.assertEqual(self.approval(late), b"0\n")
        # A lifetime counts from the id's own issue.
        self.assertEqual(self.approval(fresh), b"1\n")

    def test_when_full_the_oldest_id_goes(self):
        ids = [self.new_id() for _ in range(self.BOUND + 1)]
        self.assertEqual([self.approval(i) for i in ids], [b"0\n"] + [b"1\n"] * self.BOUND)

    def test_answers_that_carry_or_spend_ids_are_not_stored(self):
        cookie, _, ids = page(self.port)
        own = ids[GAMES[0]["appname"]]
        for method in ("GET", "HEAD"):
            for path in ("/", LAUNCH_URL, f"/launcher/{self.new_id()}/", "/launcher/0123456789abcdef/",
                         f"/api/launch-status/{own}", "/api/launch-status/0123456789abcdef"):
                with self.subTest(method=method, path=path):
                    response, _ = request(self.port, method, path, cookie)
                    self.assertIn(response.status, (200, 404))
                    self.assertEqual(response.getheader("Cache-Control"), "no-store")

    def test_each_page_gets_a_cookie_of_its_own(self):
        cookies = set()
        for _ in range(2):
            cookie, set_cookie, _ = page(self.port)
            self.assertRegex(cookie, r"\Azen_page=[0-9a-f]{32}\Z")
            attributes = {a.strip() for a in set_cookie.split(";")[1:]}
            self.assertEqual(attributes, {"Path=/", "HttpOnly", "SameSite=Strict"})
            cookies.add(cookie)
        self.assertEqual(len(cookies), 2)
        # HEAD hands out no ids, so no token either.
        response, _ = self.get("/", "HEAD")
        self.assertIsNone(response.getheader("Set-Cookie"))

    def test_launch_status_is_told_to_the_ids_own_page_alone(self):
        cookie, _, ids = page(self.port)
        other_cookie, _, other_ids = page(self.port)
        own, other = ids[GAMES[0]["appname"]], other_ids[GAMES[0]["appname"]]
        script_id = self.new_id()
        token = cookie.split("=", 1)[1]
        cases = [
            ("own cookie", own, cookie, "waiting"),
            ("own cookie among others", own, f"theme=dark; {cookie}; zen_page=x", "waiting"),
            ("no cookie", own, None, 404),
            ("another page's cookie", own, other_cookie, 404),
            ("another page's id", other, cookie, 404),
            ("a script's id", script_id, cookie, 404),
            ("an id never handed out", "0123456789abcdef", cookie, 404),
            ("an empty token", own, "zen_page=", 404),
            ("the token in capitals", own, "zen_page=" + token.upper(), 404),
            ("the token with more after it", own, cookie + "0", 404),
            ("a token beyond ASCII", own, "zen_page=" + token[:-1] + "\u00e9", 404),
            ("an id beyond ASCII", own[:-1] + "%C3%A9", cookie, 404),
            ("an id as a path", "..%2F" + own, cookie, 404),
        ]
        for name, approval_id, sent, expected in cases:
            with self.subTest(name):
                # Sent as UTF-8 bytes (http.client writes headers in Latin-1).
                sent = sent and sent.encode("utf-8").decode("latin-1")
                self.assertEqual(launch_status(self.port, approval_id, sent), expected)

    def test_launch_status_follows_what_the_launcher_asked(self):
        cookie, _, ids = page(self.port)
        asked, never = ids[GAMES[0]["appname"]], ids[GAMES[1]["appname"]]
        steps = [
            # (what happens, state of asked, state of never)
            (lambda: None, "waiting", "waiting"),
            (lambda: self.get(f"/launcher/{asked}/", "HEAD"), "waiting", "waiting"),
            (lambda: self.assertEqual(self.approval(asked), b"1\n"), "starting", "waiting"),
            (lambda: self.assertEqual(self.approval(asked), b"0\n"), "refused", "waiting"),
            # Past the lifetime: the id never asked is expired, and asking
            # now is refused.
            (lambda: setattr(self.clock, "now", self.clock.now + self.LIFETIME), "refused", "expired"),
            (lambda: self.assertEqual(self.approval(never), b"0\n"), "refused", "refused"),
            # One more lifetime: forgotten.
            (lambda: setattr(self.clock, "now", self.clock.now + self.LIFETIME), 404, 404),
        ]
        for number, (step, asked_state, never_state) in enumerate(steps):
            with self.subTest(step=number):
                step()
                self.assertEqual(launch_status(self.port, asked, cookie), asked_state)
                self.assertEqual(launch_status(self.port, never, cookie), never_state)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def python_with_redis():
    """An interpreter with the redis module: this one, or Debian's, for
    which python3-redis is installed."""
    for python in dict.fromkeys((sys.executable, "/usr/bin/python3")):
        if os.access(python, os.X_OK) and subprocess.run(
                [python, "-c", "import redis"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, timeout=30).returncode == 0:
            return python
    return None


class CommandLine(unittest.TestCase):
    """The portal as its users start it: a process on a free loopback port."""

    @classmethod
    def setUpClass(cls):
        cls.keys = tempfile.mkdtemp(prefix="zen-portal-keys.")
        cls.addClassCleanup(shutil.rmtree, cls.keys, ignore_errors=True)
        cls.public_key = base64.b64decode(link_signing.keygen(cls.keys))
        cls.seed = os.path.join(cls.keys, "portal-signing.seed")

    def start(self, *arguments, python=sys.executable):
        """The running portal's port and a function that ends it and gives
        its standard error."""
        proc = subprocess.Popen([python, SCRIPT, "--port", "0", *arguments], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.addCleanup(proc.stderr.close)
        self.addCleanup(proc.stdout.close)
        self.addCleanup(proc.wait)
        self.addCleanup(proc.kill)

        def end():
            proc.terminate()
            return proc.communicate(timeout=10)[1]

        with selectors.DefaultSelector() as selector:
            selector.register(proc.stdout, selectors.EVENT_READ)
            if not selector.select(timeout=20):
                self.fail("the sample portal printed no port within 20 s")
        line = proc.stdout.readline()
        if not line:
            self.fail("the sample portal did not start: " + end())
        return int(line), end

    def check_refused_at_start(self, cases):
        """Each (arguments, messages): the portal ends at once with status 2,
        says nothing on stdout and every message on stderr."""
        for arguments, messages in cases:
            with self.subTest(arguments=arguments):
                done = subprocess.run([sys.executable, SCRIPT, "--port", "0", *arguments], stdin=subprocess.DEVNULL,
                                      capture_output=True, text=True, timeout=15)
                self.assertEqual(done.returncode, 2)
                self.assertEqual(done.stdout, "")
                for message in messages:
                    self.assertIn(message, done.stderr)

    def test_refuses_to_start_without_a_key_choice(self):
        cases = [
            ((), ("--signing-key", "--unsigned")),
            (("--signing-key", "SEED", "--unsigned"), ("not allowed with",)),
            (("--unsigned", "--approval-lifetime", "0"), ("--approval-lifetime",)),
            (("--unsigned", "--approval-lifetime", "nan"), ("--approval-lifetime",)),
            (("--unsigned", "--status-wait", "-1"), ("--status-wait",)),
            (("--unsigned", "--store", "postgres://127.0.0.1/x"), ("--store", "not a store")),
            (("--unsigned", "--store", "sqlite:"), ("--store", "not a store")),
            (("--unsigned", "--store", "sqlite:/nonexistent-folder/ids.db"), ("--store",)),
            # Nothing listens there (or this Python has no redis module):
            # either way the portal says so at its start.
            (("--unsigned", "--store", f"redis://127.0.0.1:{free_port()}"), ("--store",)),
        ]
        self.check_refused_at_start([([self.seed if a == "SEED" else a for a in arguments], messages)
                                     for arguments, messages in cases])

    def test_unsigned_links_only_when_told_and_with_a_warning(self):
        port, end = self.start("--unsigned")
        response, body = request(port, "GET", LAUNCH_URL)
        self.assertEqual(response.status, 200)
        fields = launch_fields(body.decode("ascii"))
        self.assertEqual(len(fields), 6)
        self.assertEqual(request(port, "GET", f"/launcher/{fields[5]}/")[1], b"1\n")
        self.assertRegex(end(), r"warning: .*unsigned.*launchers built without signing keys")

    def test_links_are_signed_with_the_given_key(self):
        port, end = self.start("--signing-key", self.seed)
        sodium = ctypes.CDLL(ctypes.util.find_library("sodium") or "libsodium.so.23")

        def verifies(fields, signature):
            message = link_signing.signed_message(fields)
            return sodium.crypto_sign_verify_detached(
                signature, message, ctypes.c_ulonglong(len(message)), self.public_key) == 0

        fields = launch_fields(request(port, "GET", LAUNCH_URL)[1].decode("ascii"))
        self.assertEqual(len(fields), 7)
        signature = base64.b64decode(fields[6])
        self.assertTrue(verifies(fields[:6], signature))
        # The signature binds the approval id to these fields.
        other_id = launch_fields(request(port, "GET", LAUNCH_URL)[1].decode("ascii"))[5]
        self.assertFalse(verifies(fields[:5] + [other_id], signature))
        self.assertEqual(request(port, "GET", f"/launcher/{fields[5]}/")[1], b"1\n")
        self.assertNotIn("warning", end())

    def installer_file(self):
        folder = tempfile.mkdtemp(prefix="zen-portal-installer.")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        path = os.path.join(folder, "Zentaris-Setup-i686.exe")
        with open(path, "wb") as f:
            f.write(b"MZ" + os.urandom(5000))
        return path

    def test_serves_the_update_manifest_of_its_installer_signed_as_a_manifest(self):
        installer = self.installer_file()
        with open(installer, "rb") as f:
            installed = f.read()
        other_keys = tempfile.mkdtemp(prefix="zen-portal-keys.")
        self.addCleanup(shutil.rmtree, other_keys, ignore_errors=True)
        manifest_key = base64.b64decode(link_signing.keygen(other_keys))
        sodium = ctypes.CDLL(ctypes.util.find_library("sodium") or "libsodium.so.23")

        def verifies(message, signature, key):
            return sodium.crypto_sign_verify_detached(signature, message, ctypes.c_ulonglong(len(message)), key) == 0

        cases = [
            ("signed with the link key", (), self.public_key),
            ("signed with its own key", ("--manifest-key", os.path.join(other_keys, "portal-signing.seed")),
             manifest_key),
        ]
        for what, arguments, key in cases:
            with self.subTest(what):
                port, end = self.start("--signing-key", self.seed, "--installer", installer, "--installer-version",
                                       "1.0.2.0", "--update-minimum", "1.0.0.0", "--update-not-before", "1767225600",
                                       *arguments)
                response, text = request(port, "GET", "/launcher/update.txt")
                self.assertEqual(response.status, 200)
                body, _, signature = text.rpartition(b"signature=")
                self.assertTrue(signature.endswith(b"\n"))
                signature = base64.b64decode(signature)
                self.assertTrue(verifies(update_manifest.Context + body, signature, key))
                # Neither another key nor a launch link's context.
                other = manifest_key if key == self.public_key else self.public_key
                self.assertFalse(verifies(update_manifest.Context + body, signature, other))
                self.assertFalse(verifies(link_signing.Context + body, signature, key))
                fields = dict(line.split("=", 1) for line in body.decode("ascii").splitlines())
                self.assertEqual(fields, {
                    "version": "1.0.2.0", "url": f"http://127.0.0.1:{port}/downloads/Zentaris-Setup-1.0.2.0.exe",
                    "size": str(len(installed)), "sha256": hashlib.sha256(installed).hexdigest(),
                    "minimum": "1.0.0.0", "notbefore": "1767225600"})
                response, served = request(port, "GET", "/downloads/Zentaris-Setup-1.0.2.0.exe")
                self.assertEqual((response.status, served), (200, installed))
                end()
        # Without a version it serves none.
        port, end = self.start("--signing-key", self.seed, "--installer", installer)
        self.assertEqual(request(port, "GET", "/launcher/update.txt")[0].status, 404)
        end()

    def test_refuses_an_update_manifest_it_cannot_sign_or_that_launchers_would_refuse(self):
        installer = self.installer_file()
        cases = [
            (("--signing-key", self.seed, "--installer-version", "1.0.2.0"), ("needs --installer",)),
            (("--unsigned", "--installer", installer, "--installer-version", "1.0.2.0"), ("needs a key",)),
            (("--signing-key", self.seed, "--installer", installer, "--installer-version", "1.0.2"),
             ("not a version",)),
            (("--signing-key", self.seed, "--installer", installer, "--installer-version", "1.0.2.0",
              "--update-minimum", "any"), ("not a version",)),
        ]
        self.check_refused_at_start(cases)

    def redis_store(self):
        """A Redis server of this test's own on a free loopback port, and an
        interpreter that can reach it; the test is skipped, saying why,
        where either is missing."""
        server = shutil.which("redis-server")
        if not server:
            self.skipTest("redis-server is not installed (Debian: redis-server)")
        python = python_with_redis()
        if not python:
            self.skipTest("no Python here has the redis module (Debian: python3-redis)")
        port = free_port()
        proc = subprocess.Popen([server, "--port", str(port), "--bind", "127.0.0.1", "--save", "",
                                 "--appendonly", "no"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        self.addCleanup(proc.wait)
        self.addCleanup(proc.terminate)

        def answers():
            if proc.poll() is not None:
                self.fail(f"redis-server ended with {proc.returncode}")
            try:
                with socket.create_connection(("127.0.0.1", port), timeout=5) as conn:
                    conn.sendall(b"PING\r\n")
                    return conn.recv(16).startswith(b"+PONG")
            except OSError:
                return False

        deadline = time.monotonic() + 20
        while not answers():
            if time.monotonic() > deadline:
                self.fail("redis-server did not answer within 20 s")
            time.sleep(0.05)
        return f"redis://127.0.0.1:{port}", python

    def sqlite_store(self):
        folder = tempfile.mkdtemp(prefix="zen-portal-store.")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        return "sqlite:" + os.path.join(folder, "approvals.db"), sys.executable

    def two_portals(self, store, python):
        return [self.start("--unsigned", "--store", store, python=python)[0] for _ in range(2)]

    def check_processes_share_the_store(self, store, python):
        first, second = self.two_portals(store, python)
        cookie, _, ids = page(first)
        approval_id = ids[GAMES[0]["appname"]]
        self.assertEqual(launch_status(second, approval_id, cookie), "waiting")
        self.assertEqual(request(second, "GET", f"/launcher/{approval_id}/")[1], b"1\n")
        self.assertEqual(launch_status(first, approval_id, cookie), "starting")
        self.assertEqual(request(first, "GET", f"/launcher/{approval_id}/")[1], b"0\n")
        self.assertEqual(request(second, "GET", f"/launcher/{approval_id}/")[1], b"0\n")
        self.assertEqual(launch_status(second, approval_id, cookie), "refused")
        self.assertEqual(launch_status(first, approval_id, None), 404)
        # A script's link from the second, approved once by the first.
        script_id = launch_fields(request(second, "GET", LAUNCH_URL)[1].decode("ascii"))[5]
        self.assertEqual([request(first, "GET", f"/launcher/{script_id}/")[1] for _ in range(2)], [b"1\n", b"0\n"])

    def check_a_raced_id_approves_once(self, store, python):
        """Four requests for one id, two at each of two processes, sent at
        one moment, again and again: one "1" each time."""
        ports = self.two_portals(store, python) * 2
        barrier = threading.Barrier(len(ports))
        for attempt in range(25):
            approval_id = launch_fields(request(ports[0], "GET", LAUNCH_URL)[1].decode("ascii"))[5]
            answers = [None] * len(ports)

            def ask(index):
                conn = http.client.HTTPConnection("127.0.0.1", ports[index], timeout=10)
                try:
                    conn.connect()
                    barrier.wait(timeout=10)
                    conn.request("GET", f"/launcher/{approval_id}/")
                    answers[index] = conn.getresponse().read()
                finally:
                    conn.close()

            threads = [threading.Thread(target=ask, args=(i,)) for i in range(len(ports))]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join(timeout=30)
            self.assertEqual(sorted(answers, key=str), [b"0\n"] * (len(ports) - 1) + [b"1\n"], f"attempt {attempt}")

    def test_processes_on_one_sqlite_store_share_its_ids(self):
        self.check_processes_share_the_store(*self.sqlite_store())

    def test_processes_on_one_redis_store_share_its_ids(self):
        self.check_processes_share_the_store(*self.redis_store())

    def test_a_raced_id_approves_once_with_sqlite(self):
        self.check_a_raced_id_approves_once(*self.sqlite_store())

    def test_a_raced_id_approves_once_with_redis(self):
        self.check_a_raced_id_approves_once(*self.redis_store())

    def test_redis_ids_expire_and_are_bounded(self):
        store, python = self.redis_store()
        port, _ = self.start("--unsigned", "--store", store, "--approval-lifetime", "1", python=python)
        cookie, _, ids = page(port)
        approval_id = ids[GAMES[0]["appname"]]
        deadline = time.monotonic() + 20
        while launch_status(port, approval_id, cookie) == "waiting":
            if time.monotonic() > deadline:
                self.fail("the id was still waiting 20 s after a lifetime of 1 s")
            time.sleep(0.1)
        self.assertEqual(launch_status(port, approval_id, cookie), "expired")
        self.assertEqual(request(port, "GET", f"/launcher/{approval_id}/")[1], b"0\n")

        # The bound: the store itself, with a bound of 3, in the interpreter
        # that has the redis module.
        script = (
            "import json, sys\n"
            f"sys.path.insert(0, {PORTAL!r})\n"
            "import sample_portal\n"
            f"store = sample_portal.RedisStore({store!r}, 300, 3)\n"
            "store.redis.flushdb()\n"
            "ids = ['%016x' % i for i in range(5)]\n"
            "issued = [store.issue(i, '') for i in ids]\n"
            "issued.append(store.issue(ids[4], ''))\n"
            "keys = store.redis.dbsize()\n"
            "print(json.dumps([issued, keys, [store.approve(i, True) for i in ids]]))\n")
        done = subprocess.run([python, "-c", script], capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        issued, keys, approved = json.loads(done.stdout)
        # An id kept already is not issued twice; the two oldest are gone;
        # three ids (two keys each) and the list of issue are kept.
        self.assertEqual(issued, [True] * 5 + [False])
        self.assertEqual(keys, 3 * 2 + 1)
        self.assertEqual(approved, [False, False, True, True, True])


if __name__ == "__main__":
    unittest.main()
