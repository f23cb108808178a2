#!/usr/bin/env python3
"""portal/openapi.yaml says what the programs ask of a portal: the document
is well formed, its numbers and paths are the ones the programs are built
with, and the sample portal's real answers (statuses, content types,
headers, bodies) match it.

Needs python3-yaml and python3-jsonschema; exits 77, saying why, without them.
"""
import base64
import ctypes
import hashlib
import http.client
import json
import os
import re
import selectors
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from urllib.parse import quote, urlsplit

try:
    import jsonschema
    import yaml
except ImportError as missing:
    print(f"SKIP: {missing.name} is missing (Debian: python3-yaml, python3-jsonschema)", flush=True)
    sys.exit(77)

HERE = os.path.dirname(os.path.abspath(__file__))
PORTAL = os.path.dirname(HERE)
ROOT = os.path.dirname(PORTAL)
sys.path.insert(0, PORTAL)
import link_signing  # noqa: E402
import sample_portal  # noqa: E402
import update_manifest  # noqa: E402

with open(os.path.join(PORTAL, "openapi.yaml"), encoding="utf-8") as _f:
    DOC = yaml.safe_load(_f)

METHODS = ("get", "put", "post", "delete", "options", "head", "patch", "trace")
APPROVAL = "/launcher/{approvalId}/"
STATUS = "/api/launch-status/{approvalId}"
UPDATE = "/launcher/update.txt"
UPDATE_INSTALLER = "/downloads/Zentaris-Setup-{version}.exe"
NEXT_VERSION = "1.0.2.0"
PREFIX = "zentaris://launch/"


def pointer(path):
    node = DOC
    for part in path.lstrip("#/").split("/"):
        node = node[part.replace("~1", "/").replace("~0", "~")]
    return node


def resolved(node):
    """The node with every local $ref replaced by what it names."""
    if isinstance(node, dict):
        if "$ref" in node:
            return resolved(pointer(node["$ref"]))
        return {key: resolved(value) for key, value in node.items()}
    if isinstance(node, list):
        return [resolved(item) for item in node]
    return node


def source_number(path, name):
    """The value of a constant or a CMake default in the product's sources,
    as written there (a product of factors is multiplied out)."""
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        text = f.read()
    match = re.search(rf"\b{name} = ([0-9 *]+);", text) or re.search(rf"set\({name} ([0-9]+) CACHE", text)
    if not match:
        raise AssertionError(f"{name} not found in {path}")
    value = 1
    for factor in match.group(1).split("*"):
        value *= int(factor)
    return value


def source_text(path, name):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        match = re.search(rf'\b{name}\[\] = "([^"]*)";', f.read())
    if not match:
        raise AssertionError(f"{name} not found in {path}")
    return match.group(1)


with open(os.path.join(PORTAL, "games.json")) as _f:
    GAMES = [game["appname"] for game in json.load(_f)["games"]]


def approval_id_of(link):
    return base64.b64decode(link[len(PREFIX):]).decode("cp1252").split(";")[5]


def operation(template, method):
    return DOC["paths"][template][method]


class Document(unittest.TestCase):
    def test_is_an_openapi_3_1_document_whose_parts_are_complete(self):
        self.assertRegex(DOC["openapi"], r"^3\.1\.\d+$")
        self.assertIsInstance(DOC["info"]["title"], str)
        self.assertIsInstance(DOC["info"]["version"], str)
        for template, item in DOC["paths"].items():
            self.assertTrue(template.startswith("/"), template)
            operations = {m: op for m, op in item.items() if m in METHODS}
            self.assertTrue(operations, template)
            for method, op in operations.items():
                with self.subTest(path=template, method=method):
                    op = resolved(op)
                    parameters = resolved(item.get("parameters", [])) + op.get("parameters", [])
                    in_path = {p["name"] for p in parameters if p["in"] == "path"}
                    self.assertEqual(in_path, set(re.findall(r"\{([^}]+)\}", template)))
                    for p in parameters:
                        self.assertIn(p["in"], ("path", "query", "header", "cookie"))
                        self.assertTrue(p["in"] != "path" or p.get("required") is True, p["name"])
                        jsonschema.Draft202012Validator.check_schema(p["schema"])
                    self.assertTrue(op["responses"])
                    for status, response in op["responses"].items():
                        self.assertRegex(status, r"^[1-5][0-9][0-9]$")
                        self.assertIsInstance(response["description"], str)
                        for header in response.get("headers", {}).values():
                            jsonschema.Draft202012Validator.check_schema(header["schema"])
                        for media, content in response.get("content", {}).items():
                            self.assertRegex(media, r"^[a-z]+/[a-z0-9.+-]+$")
                            jsonschema.Draft202012Validator.check_schema(content.get("schema", {}))

    def test_numbers_and_paths_are_the_ones_the_programs_are_built_with(self):
        news = operation("/launcher/news.dib", "get")
        dib = news["x-zentaris-packed-dib"]
        update = operation(UPDATE, "get")
        rules = update["x-zentaris-update-manifest"]
        manifest_h = "ZentarisLauncher/update/update_manifest.h"
        rules_h = "ZentarisLauncher/update/update_rules.h"
        installer = operation(UPDATE_INSTALLER, "get")
        cases = [
            (operation(APPROVAL, "get")["x-zentaris-deadline-seconds"],
             source_number("cmake/ZenSettings.cmake", "ApprovalTimeoutSeconds")),
            (operation(APPROVAL, "get")["x-zentaris-max-url-bytes"],
             source_number("ZentarisLauncher/core/application_record.h", "LauncherTextSize") - 1),
            (operation("/images/uinstapp.dat", "get")["x-zentaris-deadline-seconds"],
             source_number("contract/portal.h", "TrayFetchTimeoutSeconds")),
            (news["x-zentaris-deadline-seconds"], source_number("contract/portal.h", "TrayFetchTimeoutSeconds")),
            (operation("/images/uinstapp.dat", "get")["x-zentaris-max-entries"],
             source_number("ZentarisLauncher/tray/download_list.h", "DownloadListCapacity")),
            (operation("/images/uinstapp.dat", "get")["x-zentaris-max-line-bytes"],
             source_number("ZentarisLauncher/tray/download_list.h", "DownloadLineBufferSize") - 1),
            (news["responses"]["200"]["content"]["image/bmp"]["schema"]["maxLength"],
             source_number("ZentarisLauncher/tray/news_image_check.h", "NewsImageCapacity")),
            (dib["minWidth"], source_number("ZentarisLauncher/tray/news_placement.h", "NewsImageWidth")),
            (dib["minRows"], source_number("ZentarisLauncher/tray/news_placement.h", "NewsImageHeight")),
            (dib["maxWidth"], source_number("ZentarisLauncher/tray/news_image_check.h", "NewsImageMaxWidth")),
            (dib["maxRows"], source_number("ZentarisLauncher/tray/news_image_check.h", "NewsImageMaxRows")),
            (operation("/images/space.gif", "get")["responses"]["200"]["content"]["image/gif"]["schema"]["maxLength"],
             source_number("zenproto/protocol/image_transfer.h", "ImageSizeLimit")),
            (update["x-zentaris-deadline-seconds"], source_number("contract/portal.h", "TrayFetchTimeoutSeconds")),
            (update["responses"]["200"]["content"]["text/plain"]["schema"]["maxLength"],
             source_number(manifest_h, "UpdateManifestCapacity")),
            (update["responses"]["200"]["content"]["text/plain"]["schema"]["maxLength"],
             update_manifest.MANIFEST_CAPACITY),
            (rules["maxInstallerBytes"], source_number(manifest_h, "UpdateSizeLimit")),
            (rules["maxInstallerBytes"], update_manifest.SIZE_LIMIT),
            (installer["responses"]["200"]["content"]["application/vnd.microsoft.portable-executable"]["schema"]
             ["maxLength"], source_number(manifest_h, "UpdateSizeLimit")),
            (rules["maxUrlBytes"], source_number(manifest_h, "InstallerUrlCapacity")),
            (rules["maxUrlBytes"], update_manifest.URL_CAPACITY),
            (rules["checkIntervalSeconds"], source_number(rules_h, "UpdateCheckIntervalSeconds")),
            (rules["notBeforeSpreadSeconds"], source_number(rules_h, "NotBeforeSpreadSeconds")),
            (installer["x-zentaris-deadline-seconds"],
             source_number("contract/portal.h", "UpdateDownloadTimeoutSeconds")),
            (rules["context"].encode("ascii") + b"\0", update_manifest.Context),
            (DOC["x-zentaris-approval-lifetime-seconds"]["default"], sample_portal.APPROVAL_LIFETIME),
            (DOC["x-zentaris-max-outstanding-approvals"]["default"], sample_portal.MAX_APPROVALS),
        ]
        for i, (documented, built) in enumerate(cases):
            with self.subTest(case=i):
                self.assertEqual(documented, built)
        paths = DOC["paths"]
        self.assertIn("/" + source_text("contract/portal.h", "ApprovalPath") + "{approvalId}/", paths)
        with open(os.path.join(ROOT, manifest_h), encoding="utf-8") as f:
            context = re.search(r'UpdateManifestContext\{"([^"\\]*)\\0", (\d+)\}', f.read())
        self.assertEqual((context.group(1), int(context.group(2))), (rules["context"], len(rules["context"]) + 1))
        for name in ("DownloadListPath", "NewsImagePath", "NewsPagePath", "UpdateManifestPath"):
            self.assertIn("/" + source_text("contract/portal.h", name), paths, name)
        self.assertIn(source_text("contract/portal.h", "InstallCheckImagePath"), paths)


class SampleAnswers(unittest.TestCase):
    """The sample portal as its users start it: a signing key, an installer,
    a free loopback port."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="zen-openapi.")
        cls.addClassCleanup(shutil.rmtree, cls.folder, ignore_errors=True)
        cls.public_key = base64.b64decode(link_signing.keygen(cls.folder))
        cls.installer = b"MZ" + os.urandom(2000)
        installer = os.path.join(cls.folder, "Zentaris-Setup-i686.exe")
        with open(installer, "wb") as f:
            f.write(cls.installer)
        proc = subprocess.Popen(
            [sys.executable, os.path.join(PORTAL, "sample_portal.py"), "--port", "0",
             "--signing-key", os.path.join(cls.folder, "portal-signing.seed"), "--installer", installer,
             "--installer-version", NEXT_VERSION],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        cls.addClassCleanup(lambda: proc.communicate(timeout=10))
        cls.addClassCleanup(proc.kill)
        with selectors.DefaultSelector() as selector:
            selector.register(proc.stdout, selectors.EVENT_READ)
            ready = selector.select(timeout=20)
        line = proc.stdout.readline() if ready else ""
        if not line:
            proc.kill()
            raise AssertionError("the sample portal did not start within 20 s: " + proc.communicate(timeout=10)[1])
        cls.port = int(line)

    def request(self, method, path, cookie=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            conn.request(method, path, headers={"Cookie": cookie} if cookie else {})
            response = conn.getresponse()
            return response, response.read()
        finally:
            conn.close()

    def answer(self, method, template, path=None, status=200, cookie=None):
        """Asks the portal and checks the answer against the document's
        operation for `template`: status, required headers, content type and
        body schema."""
        response, body = self.request(method, path or template, cookie)
        what = f"{method} {path or template}"
        self.assertEqual(response.status, status, what)
        documented = resolved(operation(template, method.lower()))["responses"]
        self.assertIn(str(status), documented, what)
        documented = documented[str(status)]
        for name, header in documented.get("headers", {}).items():
            value = response.getheader(name)
            if header.get("required"):
                self.assertIsNotNone(value, f"{what}: no {name}")
            if value is not None:
                jsonschema.validate(value, header["schema"])
        content = documented.get("content")
        if content is not None:
            ctype = response.getheader("Content-Type", "")
            media = ctype.split(";")[0].strip().lower()
            self.assertIn(media, content, what)
            if method == "HEAD":
                self.assertEqual(body, b"", what)
            elif "schema" in content[media]:
                jsonschema.validate(self.instance(media, ctype, body), content[media]["schema"])
        return response, body

    @staticmethod
    def instance(media, ctype, body):
        if media == "application/json":
            return json.loads(body)
        if media.startswith("text/"):
            charset = re.search(r"charset=([\w-]+)", ctype)
            return body.decode(charset.group(1) if charset else "utf-8")
        return body.decode("latin-1")  # one character per byte

    def launch_ids(self, page):
        links = re.findall(r'href="(zentaris://launch/[^"]+)"', page.decode("utf-8"))
        self.assertTrue(links)
        return [approval_id_of(link) for link in links]

    def check_packed_dib(self, body, rules):
        size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", body)
        colours = struct.unpack_from("<I", body, 32)[0]
        self.assertIn(size, rules["headerBytes"])
        self.assertEqual(planes, 1)
        self.assertIn(bits, rules["bitCounts"])
        self.assertIn(compression, (0, 3))
        self.assertLessEqual(colours, rules["maxColours"])
        self.assertTrue(rules["minWidth"] <= width <= rules["maxWidth"], width)
        self.assertTrue(rules["minRows"] <= abs(height) <= rules["maxRows"], height)
        if colours == 0 and bits <= 8:
            colours = 1 << bits
        described = max(size, 52) if compression == 3 else size
        row_bytes = (width * bits + 31) // 32 * 4
        self.assertLessEqual(described + 4 * colours + row_bytes * abs(height), len(body))

    def test_every_documented_operation_is_asked_here(self):
        asked = {("/", "get"), ("/", "head"), (APPROVAL, "get"), (APPROVAL, "head"), (STATUS, "get"),
                 ("/images/uinstapp.dat", "get"), ("/launcher/news.dib", "get"), ("/pages/news/", "get"),
                 ("/images/space.gif", "get"), ("/downloads/Zentaris-Setup.exe", "get"),
                 ("/api/launch-url", "get"), ("/api/launch-url", "head"), (UPDATE, "get"), (UPDATE_INSTALLER, "get")}
        documented = {(template, method) for template, item in DOC["paths"].items()
                      for method in item if method in METHODS}
        self.assertEqual(documented, asked)

    def test_answers_match_the_document(self):
        _, page = self.answer("GET", "/")
        self.answer("HEAD", "/")
        fresh = self.launch_ids(page)[0]
        # HEAD spends nothing; GET approves once.
        self.answer("HEAD", APPROVAL, f"/launcher/{fresh}/")
        self.assertEqual(self.answer("GET", APPROVAL, f"/launcher/{fresh}/")[1][:1], b"1")
        self.assertEqual(self.answer("GET", APPROVAL, f"/launcher/{fresh}/")[1][:1], b"0")
        self.assertEqual(self.answer("GET", APPROVAL, "/launcher/never-handed-out/")[1][:1], b"0")

        _, listing = self.answer("GET", "/images/uinstapp.dat")
        self.assertTrue(listing)
        _, picture = self.answer("GET", "/launcher/news.dib")
        self.check_packed_dib(picture, operation("/launcher/news.dib", "get")["x-zentaris-packed-dib"])
        self.answer("GET", "/pages/news/")
        self.answer("GET", "/images/space.gif")
        self.assertEqual(self.answer("GET", "/downloads/Zentaris-Setup.exe")[1], self.installer)

        # The manifest verifies as a manifest with the portal's key, and names
        # the installer the portal serves, by its size and hash.
        _, manifest = self.answer("GET", UPDATE)
        body, _, signature = manifest.rpartition(b"signature=")
        message = update_manifest.Context + body
        self.assertEqual(link_signing._lib.crypto_sign_verify_detached(
            base64.b64decode(signature), message, ctypes.c_ulonglong(len(message)), self.public_key), 0)
        fields = dict(line.split("=", 1) for line in body.decode("ascii").splitlines())
        self.assertEqual(fields["version"], NEXT_VERSION)
        self.assertEqual((int(fields["size"]), fields["sha256"]),
                         (len(self.installer), hashlib.sha256(self.installer).hexdigest()))
        installer_path = urlsplit(fields["url"]).path
        self.assertEqual(installer_path, UPDATE_INSTALLER.replace("{version}", NEXT_VERSION))
        self.assertEqual(self.answer("GET", UPDATE_INSTALLER, installer_path)[1], self.installer)

        game = "/api/launch-url?game=" + quote(GAMES[0])
        _, link = self.answer("GET", "/api/launch-url", game)
        self.assertEqual(self.answer("GET", APPROVAL, f"/launcher/{approval_id_of(link.decode('ascii'))}/")[1], b"1\n")
        self.answer("HEAD", "/api/launch-url", game)
        self.answer("GET", "/api/launch-url", "/api/launch-url?game=no-such-game", status=404)

    def test_launch_status_answers_only_the_page_given_the_id(self):
        def page_cookie(response):
            cookies = [c.split(";")[0].strip() for c in response.headers.get_all("Set-Cookie") or []]
            return "; ".join(cookies) or None

        first, first_page = self.answer("GET", "/")
        second, _ = self.answer("GET", "/")
        own, other = page_cookie(first), page_cookie(second)
        approval_id = self.launch_ids(first_page)[0]
        path = f"/api/launch-status/{approval_id}"
        response, body = self.request("GET", path, own)
        if response.status == 404 and own is None:
            self.skipTest("the sample portal does not serve api/launch-status yet: "
                          "its page sets no cookie and the address answers 404")
        self.assertNotEqual(own, other, "two pages were given the same cookie")
        _, body = self.answer("GET", STATUS, path, cookie=own)
        self.assertEqual(self.instance("application/json", "", body)["state"], "waiting")
        for cookie in (None, other):
            self.answer("GET", STATUS, path, status=404, cookie=cookie)
        self.answer("GET", STATUS, "/api/launch-status/never-handed-out", status=404, cookie=own)

        self.assertEqual(self.request("GET", f"/launcher/{approval_id}/")[1], b"1\n")
        _, body = self.answer("GET", STATUS, path, cookie=own)
        self.assertEqual(self.instance("application/json", "", body)["state"], "starting")


if __name__ == "__main__":
    unittest.main(verbosity=2)
