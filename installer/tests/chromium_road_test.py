"""The road as a visitor takes it with a modern browser: the release
installer in a Wine prefix, the sample portal's page in Chromium, a real
click on a game's link, the system's scheme handler, the Windows shell of
the prefix, the launcher, the portal's approval, the game; and what the page
says of it, which it learns from the portal alone.

Runs in a Wine session of scripts/run-test.sh --wine TEMPLATE --host:
    chromium_road_test.py BIN_DIR SOURCE_DIR PORT [SIGNING_SEED]
Exits 77 (skipped) with the reason where Chromium cannot run.
"""
import base64
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

BIN, SOURCE, PORT = sys.argv[1], sys.argv[2], int(sys.argv[3])
SEED = sys.argv[4] if len(sys.argv) > 4 else ""
sys.path.insert(0, os.path.join(SOURCE, "tests", "browser"))
# The names the programs use, generated beside the build's other contract files.
sys.path.insert(0, os.path.join(BIN, "..", "contract", "generated"))
import chromium  # noqa: E402
import shared_names  # noqa: E402

SETUP = os.path.join(BIN, "Zentaris-Setup-i686.exe")
PORTAL = f"http://127.0.0.1:{PORT}/"
RECORD_KEY = "HKCU\\" + shared_names.BRANCH + "\\Space Demo"
# How long the page waits for the launcher to ask before it says Zentaris
# did not answer (the sample portal's --status-wait; 20 s on a real portal):
# room for this road's slowest start under Wine, less than the default.
STATUS_WAIT = 12
# A game of the test's own that writes its log this long after it starts,
# long after the page could have lost its focus to anything.
SLOW_GAME = {"appname": "Slow Demo", "installkey": r"HKCU\Software\Zentaris Tests\Slow Demo",
             "installvalue": "InstallDir", "exename": "slowdemo.exe", "page": "games/slow-demo/",
             "client": "downloads/slow-demo-setup.exe"}
SLOW_GAME_DELAY_MS = 6000
NO_ANSWER_TEXTS = ("does not seem to be installed", "did not answer")


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
        with open(os.path.join(SOURCE, "portal", "games.json")) as f:
            games = json.load(f)
        games["games"].append(SLOW_GAME)
        games_file = os.path.join(cls.work, "games.json")
        with open(games_file, "w") as f:
            json.dump(games, f)
        portal_log = open(os.path.join(cls.work, "portal.log"), "wb")
        arguments = [sys.executable, os.path.join(SOURCE, "portal", "sample_portal.py"),
                     "--port", str(PORT), "--installer", SETUP, "--games", games_file,
                     "--status-wait", str(STATUS_WAIT), "--verbose"]
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

        cls.slow_game_dir = unix_path(r"C:\Games\Slow Demo")
        os.makedirs(cls.slow_game_dir, exist_ok=True)
        shutil.copyfile(os.path.join(BIN, "testgame.exe"), os.path.join(cls.slow_game_dir, "slowdemo.exe"))
        if wine("reg", "add", SLOW_GAME["installkey"], "/v", "InstallDir", "/d", r"C:\Games\Slow Demo", "/f")[0] != 0:
            raise RuntimeError("could not write the slow game's installation record")
        # Reaches the game through Chromium, the scheme handler and the launcher.
        os.environ["ZEN_TESTGAME_DELAY_MS"] = str(SLOW_GAME_DELAY_MS)

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

    def page_id(self, game):
        return self.browser.devtools.evaluate(
            f"document.querySelector('a[data-game=\"{game}\"]').getAttribute('data-approval')")

    def test_1_page_claims_nothing_before_a_click(self):
        text = self.browser.text()
        self.assertNotIn("missing", text)
        for claim in NO_ANSWER_TEXTS:
            self.assertNotIn(claim, text)
        self.assertIn("Play Space Demo", text)
        self.assertIn("Your browser will ask whether to open Zentaris", text)

    def test_2_click_starts_the_game_once_and_replay_starts_nothing(self):
        link = self.browser.devtools.evaluate(
            "document.querySelector('a[data-game=\"Space Demo\"]').href")
        approval_id = base64.b64decode(link.split("/launch/", 1)[1]).decode("cp1252").split(";")[5]
        self.assertEqual(self.page_id("Space Demo"), approval_id)

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
        chromium.wait_until("the page to hear from the portal", 60,
                            lambda: "Zentaris is starting Space Demo." in self.browser.text())
        for claim in NO_ANSWER_TEXTS:
            self.assertNotIn(claim, self.browser.text())

        # The same, now spent, link: the portal is asked and says no, and the
        # page says so once it has.
        chromium.wait_until("the first launch to end", 60, lambda: not launch_processes())
        self.browser.click_link("Play Space Demo")
        chromium.wait_until("the replayed approval request", 120,
                            lambda: self.approvals_asked(approval_id) == 2)
        chromium.wait_until("the page to hear of the refusal", 60,
                            lambda: "this link was already used or is too old" in self.browser.text())
        self.assertIn("Zentaris did not start Space Demo", self.browser.text())
        chromium.wait_until("the replayed launch to end", 60, lambda: not launch_processes())
        self.assertEqual(len(self.starts()), 1)
        self.assertEqual(self.handled(), [link, link])

    def test_3_page_says_a_slow_game_is_starting_and_never_that_zentaris_is_missing(self):
        log = os.path.join(self.slow_game_dir, "testgame.log")
        clicked = time.monotonic()
        self.browser.click_link("Play Slow Demo")
        said, logged = [], []

        def watch():
            text = self.browser.text()
            for claim in NO_ANSWER_TEXTS:
                self.assertNotIn(claim, text, f"{time.monotonic() - clicked:.1f} s after the click")
            if not said and "Zentaris is starting Slow Demo." in text:
                said.append(time.monotonic() - clicked)
            if not logged and os.path.exists(log):
                logged.append(time.monotonic() - clicked)
            return logged

        try:
            chromium.wait_until("the slow game to start", 120, watch)
        except TimeoutError as e:
            self.fail(f"{e}\n{self.road_so_far()}")
        # The page said it before the game showed any sign of life, and kept
        # to it while the game took its time.
        self.assertTrue(said, "the page did not say the game is starting before the game's log")
        self.assertGreater(logged[0], 4)
        self.assertLess(said[0], logged[0])
        chromium.wait_until("the slow game to end", 60, lambda: not launch_processes())
        watch()
        self.assertIn("Zentaris is starting Slow Demo.", self.browser.text())

    def test_4_download_link_serves_the_release_installer(self):
        href = self.browser.link_target("download")
        self.assertTrue(href.startswith(PORTAL), href)
        with urllib.request.urlopen(href, timeout=30) as answer:
            served = answer.read()
        with open(SETUP, "rb") as f:
            self.assertEqual(hashlib.sha256(served).digest(), hashlib.sha256(f.read()).digest())

    def test_5_page_says_zentaris_did_not_answer_after_its_wait(self):
        self.browser.forget_scheme_handler()
        handled_before = self.handled()
        approval_id = self.page_id("Kart Demo")
        clicked = time.monotonic()
        self.browser.click_link("Play Kart Demo")
        self.assertIn("Opening Zentaris for Kart Demo", self.browser.text())
        chromium.wait_until("the page's hint", STATUS_WAIT + 60,
                            lambda: "Zentaris does not seem to be installed" in self.browser.text())
        # Not a moment before its wait.
        self.assertGreaterEqual(time.monotonic() - clicked, STATUS_WAIT)
        self.assertIn(f"Zentaris did not answer the click on Kart Demo within {STATUS_WAIT} seconds.",
                      self.browser.text())
        self.assertTrue(self.browser.devtools.evaluate(
            "!document.getElementById('missing').hidden && "
            "document.querySelector('#missing a').href === document.getElementById('download').href"))
        self.assertEqual(self.handled(), handled_before)
        self.assertEqual(self.approvals_asked(approval_id), 0)


if __name__ == "__main__":
    reason = chromium.why_not_available()
    if reason:
        print(f"skipped: {reason}")
        sys.exit(77)
    del sys.argv[1:]
    unittest.main(verbosity=2)
