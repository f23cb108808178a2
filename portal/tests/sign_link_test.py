#!/usr/bin/env python3
"""The link signers a portal team copies (portal/link_signing.py,
portal/sign_link.php, portal/sign_link.js) make exactly the links of
link_vectors.json, as functions and from their command lines, and refuse
the fields the launcher would read otherwise than they were signed. With
python, so does the update manifest signer (portal/update_manifest.py) with
the manifests of update_vectors.json and what the launcher refuses.

    sign_link_test.py [python|php|node ...]     (all three by default)

A signer whose runtime is missing is skipped, saying why; when every signer
asked for is missing the exit status is 77.
"""
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
PORTAL = os.path.dirname(HERE)
VECTORS = os.path.join(HERE, "link_vectors.json")
UPDATE_VECTORS = os.path.join(HERE, "update_vectors.json")
sys.path.insert(0, PORTAL)

with open(VECTORS, encoding="utf-8") as _f:
    DATA = json.load(_f)
with open(UPDATE_VECTORS, encoding="utf-8") as _f:
    UPDATE_DATA = json.load(_f)

# Each runtime reads the vectors file itself and prints, per entry of
# "links" and then of "refused", {"link": ...} or {"refused": message}. Only
# the error each signer documents for bad fields counts as a refusal; any
# other error ends the driver and fails the test.
PHP_DRIVER = r"""
require $argv[1];
$data = json_decode(file_get_contents($argv[2]), true, 512, JSON_THROW_ON_ERROR);
$out = [];
foreach (array_merge($data['links'], $data['refused']) as $entry) {
    try {
        $out[] = ['link' => zentaris_launch_link(base64_decode($entry['seed'], true), $entry['fields'])];
    } catch (InvalidArgumentException $e) {
        $out[] = ['refused' => $e->getMessage()];
    }
}
echo json_encode($out, JSON_THROW_ON_ERROR);
"""

NODE_DRIVER = r"""
const [kitPath, vectorsPath] = process.argv.slice(1);
const kit = require(kitPath);
const data = JSON.parse(require('fs').readFileSync(vectorsPath, 'utf8'));
const out = [...data.links, ...data.refused].map((entry) => {
  try {
    return { link: kit.launchLink(Buffer.from(entry.seed, 'base64'), entry.fields) };
  } catch (e) {
    if (!(e instanceof RangeError)) throw e;
    return { refused: e.message };
  }
});
process.stdout.write(JSON.stringify(out));
"""


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, timeout=30, stdin=subprocess.DEVNULL, **kwargs)


def python_results():
    import link_signing
    out = []
    for entry in DATA["links"] + DATA["refused"]:
        try:
            out.append({"link": link_signing.launch_link(base64.b64decode(entry["seed"]), entry["fields"])})
        except (ValueError, UnicodeEncodeError) as e:
            out.append({"refused": str(e)})
    return out


def php_missing():
    if not shutil.which("php"):
        return "no php (Debian: php-cli)"
    done = run(["php", "-r", "exit(function_exists('sodium_crypto_sign_detached') && function_exists('iconv') ? 0 : 1);"])
    return None if done.returncode == 0 else "php lacks sodium or iconv"


def node_program():
    return shutil.which("node") or shutil.which("nodejs")


def node_missing():
    return None if node_program() else "no node (Debian: nodejs)"


def driver_results(command):
    done = run(command, text=True)
    if done.returncode != 0:
        raise AssertionError(f"{command[0]} driver failed ({done.returncode}): {done.stderr}")
    return json.loads(done.stdout)


# name: (why it cannot run or None, results of the whole vectors file,
#        its command line before SEED_FILE and the six fields)
SIGNERS = {
    "python": (lambda: None, python_results,
               lambda: [sys.executable, os.path.join(PORTAL, "link_signing.py"), "sign"]),
    "php": (php_missing,
            lambda: driver_results(["php", "-r", PHP_DRIVER, os.path.join(PORTAL, "sign_link.php"), VECTORS]),
            lambda: ["php", os.path.join(PORTAL, "sign_link.php")]),
    "node": (node_missing,
             lambda: driver_results([node_program(), "-e", NODE_DRIVER, os.path.join(PORTAL, "sign_link.js"), VECTORS]),
             lambda: [node_program(), os.path.join(PORTAL, "sign_link.js")]),
}


class SignerCase(unittest.TestCase):
    signer = None

    def test_makes_each_vector_link_and_refuses_each_refused_entry(self):
        results = SIGNERS[self.signer][1]()
        self.assertEqual(len(results), len(DATA["links"]) + len(DATA["refused"]))
        for entry, result in zip(DATA["links"], results):
            with self.subTest(entry["what"]):
                self.assertEqual(result, {"link": entry["link"]})
        for entry, result in zip(DATA["refused"], results[len(DATA["links"]):]):
            with self.subTest("refused: " + entry["what"]):
                self.assertEqual(list(result), ["refused"], result)
                self.assertTrue(result["refused"])

    def test_command_line_signs_with_a_keygen_seed_file(self):
        # The seed file as link_signing.py keygen writes it: Base64 and a line end.
        folder = tempfile.mkdtemp(prefix="zen-sign-link.")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        command = SIGNERS[self.signer][2]()
        for entry in DATA["links"]:
            seed_file = os.path.join(folder, "portal-signing.seed")
            with open(seed_file, "w") as f:
                f.write(entry["seed"] + "\n")
            with self.subTest(entry["what"]):
                done = run([*command, seed_file, *entry["fields"]])
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(done.stdout, entry["link"].encode("ascii") + b"\n")
        refused = DATA["refused"][0]
        done = run([*command, seed_file, *refused["fields"]])
        self.assertEqual((done.returncode, done.stdout), (1, b""), refused["what"])
        self.assertIn(b";", done.stderr)


class UpdateManifestSigner(unittest.TestCase):
    """portal/update_manifest.py: the manifests of update_vectors.json, and
    no manifest the launcher would refuse."""

    def test_makes_each_vector_manifest(self):
        import update_manifest
        for entry in UPDATE_DATA["manifests"]:
            with self.subTest(entry["what"]):
                body = update_manifest.manifest_body(entry["version"], entry["url"], entry["size"], entry["sha256"],
                                                     entry["minimum"], entry["not_before"])
                text = update_manifest.sign(base64.b64decode(entry["seed"]), body)
                self.assertEqual(text.decode("ascii"), entry["text"])

    def test_command_line_signs_an_installer_file(self):
        import update_manifest
        folder = tempfile.mkdtemp(prefix="zen-sign-update.")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        entry = UPDATE_DATA["manifests"][0]
        seed_file = os.path.join(folder, "portal-signing.seed")
        with open(seed_file, "w") as f:
            f.write(entry["seed"] + "\n")
        installer = os.path.join(folder, "Zentaris-Setup.exe")
        with open(installer, "wb") as f:
            f.write(b"MZ" + bytes(range(256)) * 40)
        command = [sys.executable, os.path.join(PORTAL, "update_manifest.py"), seed_file, installer]
        done = run([*command, "1.0.2.0", "https://games.example/s.exe", "--minimum", "1.0.0.0", "--not-before", "7"])
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(installer, "rb") as f:
            expected = update_manifest.installer_manifest(base64.b64decode(entry["seed"]), f.read(), "1.0.2.0",
                                                          "https://games.example/s.exe", "1.0.0.0", 7)
        self.assertEqual(done.stdout, expected)
        self.assertIn(b"\nsize=10242\n", done.stdout)
        done = run([*command, "1.0.2", "https://games.example/s.exe"])
        self.assertEqual((done.returncode, done.stdout), (1, b""))
        self.assertIn(b"not a version", done.stderr)

    def test_refuses_what_the_launcher_would_refuse(self):
        import update_manifest
        good = dict(version="1.0.2.0", url="https://games.example/s.exe", size=1, sha256="0" * 64,
                    minimum="0.0.0.0", not_before=None)
        cases = [
            ("a version of three numbers", dict(version="1.0.2")),
            ("a version part over 65535", dict(version="1.0.65536.0")),
            ("a leading zero", dict(minimum="01.0.0.0")),
            ("plain http beyond loopback", dict(url="http://games.example/s.exe")),
            ("a loopback look-alike", dict(url="http://127.0.0.1.games.example/s.exe")),
            ("a user part", dict(url="https://games.example@evil.example/s.exe")),
            ("a space", dict(url="https://games.example/a b.exe")),
            ("another scheme", dict(url="ftp://games.example/s.exe")),
            ("an empty installer", dict(size=0)),
            ("an installer over the bound", dict(size=update_manifest.SIZE_LIMIT + 1)),
            ("a SHA-256 of 63 digits", dict(sha256="0" * 63)),
            ("a negative notbefore", dict(not_before=-1)),
        ]
        self.assertTrue(update_manifest.manifest_body(**good))
        for what, change in cases:
            with self.subTest(what):
                with self.assertRaises(ValueError):
                    update_manifest.manifest_body(**dict(good, **change))
        # Loopback over plain http is what the sample portal serves.
        self.assertTrue(update_manifest.manifest_body(**dict(good, url="http://[::1]:8780/s.exe")))


def main():
    asked = sys.argv[1:] or list(SIGNERS)
    unknown = [name for name in asked if name not in SIGNERS]
    if unknown:
        sys.exit(f"unknown signer {unknown}; choose from {list(SIGNERS)}")
    suite = unittest.TestSuite()
    skipped = []
    for name in asked:
        why = SIGNERS[name][0]()
        if why:
            print(f"SKIP {name} signer: {why}", flush=True)
            skipped.append(name)
            continue
        case = type(f"{name.capitalize()}Signer", (SignerCase,), {"signer": name})
        suite.addTests(unittest.defaultTestLoader.loadTestsFromTestCase(case))
        if name == "python":
            suite.addTests(unittest.defaultTestLoader.loadTestsFromTestCase(UpdateManifestSigner))
    if len(skipped) == len(asked):
        sys.exit(77)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
