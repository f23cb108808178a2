#!/usr/bin/env python3
"""The sample portal's one-time approval ids are spent by GET alone, expire,
and are bounded in number; its one-time answers stay out of caches; it signs
its links with the key it is given and will not sign nothing silently."""
import base64
import ctypes
import ctypes.util
import http.client
import json
import os
import selectors
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest
from http.server import ThreadingHTTPServer
from urllib.parse import quote

PORTAL = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPT = os.path.join(PORTAL, "sample_portal.py")
sys.path.insert(0, PORTAL)
import link_signing  # noqa: E402
import sample_portal  # noqa: E402

with open(os.path.join(PORTAL, "games.json")) as _f:
    GAMES = json.load(_f)["games"]
LAUNCH_URL = "/api/launch-url?game=" + quote(GAMES[0]["appname"])


def launch_fields(launch_url):
    prefix = "zentaris://launch/"
    if not launch_url.startswith(prefix):
        raise AssertionError("not a launch URL: " + launch_url)
    return base64.b64decode(launch_url[len(prefix):]).decode("cp1252").split(";")


def request(port, method, path):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    try:
        conn.request(method, path)
        response = conn.getresponse()
        return response, response.read()
    finally:
        conn.close()


class Clock:
    """Time that moves only when a test moves it."""

    def __init__(self):
        self.now = 5000.0

    def __call__(self):
        return self.now


class ApprovalIds(unittest.TestCase):
    """A portal served in this process, on its injected clock."""
    LIFETIME = 300.0
    BOUND = 3

    def setUp(self):
        self.clock = Clock()
        server = ThreadingHTTPServer(("127.0.0.1", 0), sample_portal.Handler)
        server.daemon_threads = True
        server.verbose = False
        self.port = server.server_address[1]
        server.portal = sample_portal.Portal(
            f"http://127.0.0.1:{self.port}/", GAMES, clock=self.clock,
            approval_lifetime=self.LIFETIME, max_approvals=self.BOUND)
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
        for method in ("GET", "HEAD"):
            for path in ("/", LAUNCH_URL, f"/launcher/{self.new_id()}/", "/launcher/0123456789abcdef/"):
                with self.subTest(method=method, path=path):
                    response, _ = self.get(path, method)
                    self.assertEqual(response.getheader("Cache-Control"), "no-store")


class CommandLine(unittest.TestCase):
    """The portal as its users start it: a process on a free loopback port."""

    @classmethod
    def setUpClass(cls):
        cls.keys = tempfile.mkdtemp(prefix="zen-portal-keys.")
        cls.addClassCleanup(shutil.rmtree, cls.keys, ignore_errors=True)
        cls.public_key = base64.b64decode(link_signing.keygen(cls.keys))
        cls.seed = os.path.join(cls.keys, "portal-signing.seed")

    def start(self, *arguments):
        """The running portal's port and a function that ends it and gives
        its standard error."""
        proc = subprocess.Popen([sys.executable, SCRIPT, "--port", "0", *arguments], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
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

    def test_refuses_to_start_without_a_key_choice(self):
        cases = [
            ((), ("--signing-key", "--unsigned")),
            (("--signing-key", "SEED", "--unsigned"), ("not allowed with",)),
            (("--unsigned", "--approval-lifetime", "0"), ("--approval-lifetime",)),
            (("--unsigned", "--approval-lifetime", "nan"), ("--approval-lifetime",)),
        ]
        for arguments, messages in cases:
            arguments = [self.seed if a == "SEED" else a for a in arguments]
            with self.subTest(arguments=arguments):
                done = subprocess.run([sys.executable, SCRIPT, "--port", "0", *arguments], stdin=subprocess.DEVNULL,
                                      capture_output=True, text=True, timeout=15)
                self.assertEqual(done.returncode, 2)
                self.assertEqual(done.stdout, "")
                for message in messages:
                    self.assertIn(message, done.stderr)

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


if __name__ == "__main__":
    unittest.main()
