"""The road as a visitor takes it with a modern browser: the release
installer in a Wine prefix, the sample portal's page in Chromium, a real
click on a game's link, the system's scheme handler, the Windows shell of
the prefix, the launcher, the portal's approval, the game.

Runs in a Wine session of scripts/run-test.sh --wine TEMPLATE --host:
    chromium_road_test.py BIN_DIR SOURCE_DIR PORT [SIGNING_SEED]
Exits 77 (skipped) with the reason where Chromium cannot run.
"""
import base64
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.request

BIN, SOURCE, PORT = sys.argv[1], sys.argv[2], int(sys.argv[3])
SEED = sys.argv[4] if len(sys.argv) > 4 else ""
sys.path.insert(0, os.path.join(SOURCE, "tests", "browser"))
import chromium  # noqa: E402

SETUP = os.path.join(BIN, "Zentaris-Setup-i686.exe")
PORTAL = f"http://127.0.0.1:{PORT}/"
RECORD_KEY = r"HKCU\SOFTWARE\Telmark\Zentaris\Space Demo"


def wine(*arguments, timeout=120):
    # Output through a file: a pipe would stay open as long as any program
    # started on the way runs (the installer starts the tray).
    with tempfile.TemporaryFile() as output:
        done = subprocess.run([os.environ["WINELOADER"], *arguments], stdout=output,
                              stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=timeout)
        output.seek(0)
        return done.returncode, output.read().decode("latin-1").replace("\r", "")


def unix_path(windows_path):
    return wine("winepath", "-u", windows_path)[1].strip()


def launch_processes():
    """Processes whose command line holds a launch link: the handler, the
    shell's helper and the launcher it started."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if b"zentaris://launch/" in f.read():
                    found.append(pid)
        except OSError:
            pass
    return found


class BrowserRoad(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="zen-browser.")
        cls.addClassCleanup(shutil.rmtree, cls.work, ignore_errors=True)
        portal_log = open(os.path.join(cls.work, "portal.log"), "wb")
        arguments = [sys.executable, os.path.join(SOURCE, "portal", "sample_portal.py"),
                     "--port", str(PORT), "--installer", SETUP, "--verbose"]
        # A build without the generated key pair has no seed to give: its
        # launcher then takes unsigned links only if it was built without keys.
        arguments += ["--signing-key", SEED] if SEED else ["--unsigned"]
        cls.portal = subprocess.Popen(arguments, stdout=subprocess.PIPE, stderr=portal_log,
                                      stdin=subprocess.DEVNULL)
        portal_log.close()
        cls.addClassCleanup(cls.portal.stdout.close)
        cls.addClassCleanup(cls.portal.wait)
        cls.addClassCleanup(cls.portal.terminate)
        cls.portal_log = portal_log.name
        if not cls.portal.stdout.readline():
            with open(cls.portal_log) as f:
                raise RuntimeError("the sample portal did not start: " + f.read())

        status, output = wine(SETUP, "/S")
        if status != 0:
            raise RuntimeError(f"the installer ended with {status}: {output}")
        cls.game_dir = unix_path(r"C:\Games\Space Demo")
        os.makedirs(cls.game_dir, exist_ok=True)
        game = os.path.join(cls.game_dir, "spacedemo.exe")
        with open(os.path.join(BIN, "spacedemo.exe"), "rb") as src, open(game, "wb") as dst:
            dst.write(src.read())
        if wine(game, "--register")[0] != 0:
            raise RuntimeError("the sample game did not write its installation record")
        # The game closes itself: nothing waits for a person.
        os.environ["ZEN_SAMPLE_GAME_SECONDS"] = "3"

        cls.browser = chromium.Chromium(cls.work, os.path.join(BIN, "zen_shellopen.exe"))
        cls.addClassCleanup(cls.browser.close)
        cls.browser.start(PORTAL)

    def starts(self):
        try:
            with open(os.path.join(self.game_dir, "started.log"), encoding="latin-1") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def handled(self):
        """The links the desktop's zentaris: handler got so far."""
        try:
            with open(self.browser.handled_log) as f:
                return f.read().split()
        except FileNotFoundError:
            return []

    def approvals_asked(self, approval_id):
        with open(self.portal_log, encoding="latin-1") as f:
            return f.read().count(f"GET /launcher/{approval_id}/ ")

    def road_so_far(self):
        """Where a launch stopped: what the scheme handler got, what the
        portal was asked, what the page says."""
        handled = "".join(link + "\n" for link in self.handled()) or "(nothing)\n"
        with open(self.portal_log, encoding="latin-1") as f:
            asked = "".join(line for line in f if "GET" in line)
        return f"scheme handler got:\n{handled}portal was asked:\n{asked}page says:\n{self.browser.text()}"

    def test_1_page_claims_nothing_before_a_click(self):
        text = self.browser.text()
        self.assertNotIn("missing", text)
        self.assertNotIn("does not seem to be installed", text)
        self.assertIn("Play Space Demo", text)
        self.assertIn("Your browser will ask whether to open Zentaris", text)

    def test_2_click_starts_the_game_once_and_replay_starts_nothing(self):
        link = self.browser.devtools.evaluate(
            "document.querySelector('a[data-game=\"Space Demo\"]').href")
        approval_id = base64.b64decode(link.split("/launch/", 1)[1]).decode("cp1252").split(";")[5]

        self.browser.click_link("Play Space Demo")
        try:
            chromium.wait_until("the game to start", 120, lambda: len(self.starts()) == 1)
        except TimeoutError as e:
            self.fail(f"{e}\n{self.road_so_far()}")
        # "cwd|command line": in its folder, with its path and nothing after it.
        self.assertEqual(self.starts()[0], r'C:\Games\Space Demo|"C:\Games\Space Demo\spacedemo.exe')
        chromium.wait_until("the game's record", 60,
                            lambda: wine("reg", "query", RECORD_KEY, "/v", "APPNAME")[0] == 0)
        self.assertIn("Space Demo", wine("reg", "query", RECORD_KEY, "/v", "APPNAME")[1])
        # The game took the focus from the page: it says so, not "missing".
        chromium.wait_until("the page to see Zentaris take over", 60,
                            lambda: "Zentaris is starting Space Demo." in self.browser.text())
        self.assertNotIn("does not seem to be installed", self.browser.text())

        # The same, now spent, link: the portal is asked and says no.
        chromium.wait_until("the first launch to end", 60, lambda: not launch_processes())
        self.browser.click_link("Play Space Demo")
        chromium.wait_until("the replayed approval request", 120,
                            lambda: self.approvals_asked(approval_id) == 2)
        chromium.wait_until("the replayed launch to end", 60, lambda: not launch_processes())
        self.assertEqual(len(self.starts()), 1)
        self.assertEqual(self.handled(), [link, link])

    def test_4_page_offers_the_installer_when_nothing_takes_over(self):
        self.browser.forget_scheme_handler()
        handled_before = self.handled()
        self.browser.click_link("Play Kart Demo")
        chromium.wait_until("the page's hint", 60,
                            lambda: "Zentaris does not seem to be installed" in self.browser.text())
        self.assertIn("Opening Zentaris for Kart Demo", self.browser.text())
        self.assertEqual(self.handled(), handled_before)

    def test_3_download_link_serves_the_release_installer(self):
        href = self.browser.link_target("download")
        self.assertTrue(href.startswith(PORTAL), href)
        with urllib.request.urlopen(href, timeout=30) as answer:
            served = answer.read()
        with open(SETUP, "rb") as f:
            self.assertEqual(hashlib.sha256(served).digest(), hashlib.sha256(f.read()).digest())


if __name__ == "__main__":
    reason = chromium.why_not_available()
    if reason:
        print(f"skipped: {reason}")
        sys.exit(77)
    del sys.argv[1:]
    unittest.main(verbosity=2)
