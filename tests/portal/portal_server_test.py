#!/usr/bin/env python3
"""The portal test server answers as scripted: files, statuses, empty bodies,
slow drips, stalls, resets, and connections kept open or dropped."""
import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


class PortalServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp()
        os.makedirs(os.path.join(cls.root, "images"))
        with open(os.path.join(cls.root, "images", "a.dat"), "wb") as f:
            f.write(b"line1\nline2\n")
        cls.proc = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "portal_server.py"), "--port", "0", "--root", cls.root],
            stdout=subprocess.PIPE, text=True)
        cls.port = int(cls.proc.stdout.readline())

    @classmethod
    def tearDownClass(cls):
        cls.proc.kill()
        cls.proc.wait()

    def setUp(self):
        self.request("DELETE", "/__zen/routes")

    def request(self, method, path, body=None, timeout=10):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        conn.request(method, path, body=body)
        resp = conn.getresponse()
        data = resp.read()
        conn.close()
        return resp.status, data

    def route(self, path, **answer):
        status, _ = self.request("POST", "/__zen/routes", json.dumps({path: answer}))
        self.assertEqual(status, 200)

    def test_serves_files_and_404_pages(self):
        self.assertEqual(self.request("GET", "/images/a.dat"), (200, b"line1\nline2\n"))
        status, body = self.request("GET", "/nothing")
        self.assertEqual(status, 404)
        self.assertIn(b"404", body)
        self.assertEqual(self.request("GET", "/../../etc/passwd")[0], 403)

    def test_scripted_status_body_prefix_and_log(self):
        self.route("/launcher/*", status=200, body="1")
        self.route("/launcher/no/", status=500, body="")
        self.assertEqual(self.request("GET", "/launcher/abc/"), (200, b"1"))
        self.assertEqual(self.request("GET", "/launcher/no/"), (500, b""))
        _, log = self.request("GET", "/__zen/requests")
        self.assertEqual(json.loads(log), ["/launcher/abc/", "/launcher/no/"])

    def test_drip_and_stall_deliver_everything_late(self):
        self.route("/drip", body="abcdefghij", drip={"chunk": 2, "interval": 0.1})
        self.route("/stall", body="late", stall=0.6)
        start = time.monotonic()
        self.assertEqual(self.request("GET", "/drip"), (200, b"abcdefghij"))
        self.assertGreaterEqual(time.monotonic() - start, 0.4)
        start = time.monotonic()
        self.assertEqual(self.request("GET", "/stall"), (200, b"late"))
        self.assertGreaterEqual(time.monotonic() - start, 0.6)

    def test_reset_breaks_the_connection(self):
        self.route("/reset", reset=True)
        with self.assertRaises((ConnectionResetError, http.client.RemoteDisconnected, socket.error)):
            self.request("GET", "/reset")

    def test_kept_connection_serves_again_or_is_dropped_at_the_next_request(self):
        cases = [
            # route options, what the second request on the same connection meets
            ({"keep_alive": True}, "answer"),
            ({"keep_alive": True, "drop_kept": "close"}, "dropped"),
            ({"keep_alive": True, "drop_kept": "reset"}, "dropped"),
            ({}, "dropped"),  # not kept: closed after the first answer
        ]
        for options, second in cases:
            with self.subTest(options=options):
                self.request("DELETE", "/__zen/routes")
                self.route("/kept", body="img", **options)
                conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
                conn.request("GET", "/kept")
                first = conn.getresponse()
                self.assertEqual((first.status, first.read()), (200, b"img"))
                self.assertEqual(first.getheader("Connection"), None if options else "close")
                sock = conn.sock
                if second == "answer":
                    self.assertIsNotNone(sock, "the connection was not kept")
                    conn.request("GET", "/kept")
                    again = conn.getresponse()
                    self.assertEqual((again.status, again.read()), (200, b"img"))
                    self.assertIs(conn.sock, sock, "a new connection was made")
                elif sock is None:
                    # http.client dropped a connection the server said it closes.
                    self.assertNotIn("keep_alive", options)
                else:
                    conn.auto_open = 0  # reuse the kept socket or fail, never reconnect
                    with self.assertRaises((ConnectionError, http.client.RemoteDisconnected, socket.error)):
                        conn.request("GET", "/kept")
                        conn.getresponse().read()
                conn.close()
                _, log = self.request("GET", "/__zen/requests")
                self.assertEqual(json.loads(log), ["/kept", "/kept"] if sock else ["/kept"])


if __name__ == "__main__":
    unittest.main()
