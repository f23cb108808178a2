#!/usr/bin/env python3
"""Scriptable stand-in for the portal web server, for tests on loopback only.

    portal_server.py [--port N] [--root DIR] [--routes FILE.json] [--port-file F]

Serves files below --root, and answers scripted routes first. It prints the
port it listens on as one line on stdout once it accepts connections (useful
with --port 0), and writes it to --port-file when given.

A route maps a path (exact, or a prefix when it ends in '*') to an answer:
    {"status": 200, "body": "text", "body_b64": "...", "body_file": "path",
     "headers": {"Name": "value"}, "length": false,
     "drip": {"chunk": 16, "interval": 0.05},
     "stall": 2.5,            # seconds of silence before the status line
     "stall_after_headers": 2.5,
     "reset": true,           # reset the connection instead of answering
     "keep_alive": true,      # keep the connection open for further requests
     "drop_kept": "close"}    # with keep_alive: the next request on the kept
                              # connection gets no answer; the connection is
                              # closed ("close") or reset ("reset") instead, as
                              # when a server's keep-alive time runs out just as
                              # a request arrives

Control, for tests that script the server while it runs:
    POST   /__zen/routes    JSON {"/path": {...}, ...}: adds or replaces routes
    DELETE /__zen/routes    forgets all routes and the request log
    GET    /__zen/requests  JSON list of the paths requested so far
    GET    /__zen/cookies   JSON list of the Cookie headers those requests carried
"""
import argparse
import base64
import json
import os
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote, urlsplit

CONTROL = "/__zen/"


class Portal:
    def __init__(self, root, routes):
        self.root = os.path.abspath(root) if root else None
        self.routes = dict(routes)
        self.requests = []
        self.cookies = []
        self.lock = threading.Lock()

    def route_for(self, path):
        with self.lock:
            if path in self.routes:
                return self.routes[path]
            best = None
            for key, route in self.routes.items():
                if key.endswith("*") and path.startswith(key[:-1]):
                    if best is None or len(key) > len(best[0]):
                        best = (key, route)
            return best[1] if best else None


def route_body(route):
    if "body_b64" in route:
        return base64.b64decode(route["body_b64"])
    if "body_file" in route:
        with open(route["body_file"], "rb") as f:
            return f.read()
    return route.get("body", "").encode("latin-1")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZentarisTestPortal/1"
    # The head and the body go out in separate writes. On a kept connection
    # Nagle's algorithm would hold the body back until the client's delayed
    # acknowledgement of the head (40 ms on Linux), a delay no web server
    # makes; every write leaves at once, as a drip's chunks should anyway.
    disable_nagle_algorithm = True

    def log_message(self, fmt, *args):
        pass

    @property
    def portal(self):
        return self.server.portal

    def _path(self):
        return unquote(urlsplit(self.path).path)

    def do_GET(self):
        path = self._path()
        if path.startswith(CONTROL):
            return self._control_get(path)
        with self.portal.lock:
            self.portal.requests.append(path)
            self.portal.cookies.extend(self.headers.get_all("Cookie", []))
        drop = getattr(self, "drop_next", None)
        if drop:
            self.drop_next = None
            if drop == "reset":
                return self._reset()
            self.close_connection = True
            return
        route = self.portal.route_for(path)
        if route is not None:
            return self._answer_route(route)
        return self._answer_file(path)

    def do_HEAD(self):
        self.do_GET()

    def do_POST(self):
        path = self._path()
        if path == CONTROL + "routes":
            size = int(self.headers.get("Content-Length", "0"))
            routes = json.loads(self.rfile.read(size) or b"{}")
            with self.portal.lock:
                self.portal.routes.update(routes)
            return self._send(200, b"ok\n", "text/plain")
        self._send(404, b"no such control\n", "text/plain")

    def do_DELETE(self):
        if self._path() == CONTROL + "routes":
            with self.portal.lock:
                self.portal.routes.clear()
                self.portal.requests.clear()
                self.portal.cookies.clear()
            return self._send(200, b"ok\n", "text/plain")
        self._send(404, b"no such control\n", "text/plain")

    def _control_get(self, path):
        logs = {CONTROL + "requests": self.portal.requests, CONTROL + "cookies": self.portal.cookies}
        if path in logs:
            with self.portal.lock:
                body = json.dumps(logs[path]).encode()
            return self._send(200, body, "application/json")
        self._send(404, b"no such control\n", "text/plain")

    def _send(self, status, body, ctype, extra=None, length=True):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.end_headers()
        self.close_connection = True
        if self.command != "HEAD":
            self.wfile.write(body)

    def _reset(self):
        # SO_LINGER with a zero timeout makes close() send RST.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.close_connection = True
        self.connection.close()

    def _answer_route(self, route):
        if route.get("stall"):
            time.sleep(float(route["stall"]))
        if route.get("reset"):
            return self._reset()
        body = route_body(route)
        status = int(route.get("status", 200))
        self.send_response(status)
        headers = {"Content-Type": "application/octet-stream"}
        headers.update(route.get("headers", {}))
        for k, v in headers.items():
            self.send_header(k, v)
        if route.get("length", True):
            self.send_header("Content-Length", str(len(body)))
        # A kept connection needs the length to tell where the body ends.
        keep = route.get("keep_alive") and route.get("length", True)
        if not keep:
            self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = not keep
        self.drop_next = route.get("drop_kept") if keep else None
        self.wfile.flush()
        if route.get("stall_after_headers"):
            time.sleep(float(route["stall_after_headers"]))
        if self.command == "HEAD":
            return
        drip = route.get("drip")
        if not drip:
            self.wfile.write(body)
            return
        chunk = max(1, int(drip.get("chunk", 1)))
        interval = float(drip.get("interval", 0.05))
        for i in range(0, len(body), chunk):
            self.wfile.write(body[i:i + chunk])
            self.wfile.flush()
            if i + chunk < len(body):
                time.sleep(interval)
        if route.get("reset_after_body"):
            self._reset()

    def _answer_file(self, path):
        root = self.portal.root
        if root is None:
            return self._send(404, b"<html><body>404 Not Found</body></html>\n", "text/html")
        full = os.path.normpath(os.path.join(root, path.lstrip("/")))
        if full != root and not full.startswith(root + os.sep):
            return self._send(403, b"forbidden\n", "text/plain")
        if os.path.isdir(full):
            full = os.path.join(full, "index.html")
        if not os.path.isfile(full):
            return self._send(404, b"<html><body>404 Not Found</body></html>\n", "text/html")
        with open(full, "rb") as f:
            body = f.read()
        ctype = "text/html" if full.endswith(".html") else \
            "image/gif" if full.endswith(".gif") else "application/octet-stream"
        self._send(200, body, ctype)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--root")
    ap.add_argument("--routes")
    ap.add_argument("--port-file")
    args = ap.parse_args()
    routes = {}
    if args.routes:
        with open(args.routes) as f:
            routes = json.load(f)
    server = Server(("127.0.0.1", args.port), Handler)
    server.portal = Portal(args.root, routes)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(f"{port}\n")
        os.replace(tmp, args.port_file)
    print(port, flush=True)
    try:
        server.serve_forever(poll_interval=0.5)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
