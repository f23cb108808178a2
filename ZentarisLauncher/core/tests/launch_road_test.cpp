// The whole launch road under Wine: ZentarisLauncher.exe with a launch
// command, the portal test server answering the approval, the games'
// installation records in this prefix's registry, and the test game.
#include <windows.h>
#include <knownfolders.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "application_record.h"
#include "installation.h"
#include "launch_harness.h"
#include "test_registry.h"
#include "link_signing_config.h"
#include "portal.h"
#include "portal_client.h"
#include "signed_link.h"
#include "support_log.h"

namespace {

using namespace launchtest;
using namespace testsupport;

const std::string NotFoundText = "Registry key for launch not found";

std::string TempFolder()
{
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    return path;
}

// A copy of the test game as `exename` in `folder`, as a download would
// leave it there. Returns the folder.
std::string PlantedGame(const std::string& folder, const std::string& exename)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA(uiauto::BesideTestProgram("testgame.exe").c_str(), (folder + "\\" + exename).c_str(), FALSE);
    return folder;
}

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(shortPath, length) : path;
}

std::string ToUpper(std::string text)
{
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Quoted(const std::string& dir, const std::string& exename) { return "\"" + dir + "\\" + exename; }

class LaunchRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The launcher asks its built-in portal; the test server must be it.
        ASSERT_EQ(portal::BaseUrl(), std::string(zentaris::PortalBaseUrl));
        ASSERT_TRUE(portal::Reset());
        ResetApplicationBranch();
        StartGameLog();
    }

    static void Answer(const std::string& id, const std::string& body, int status = 200)
    {
        ASSERT_TRUE(portal::Serve("/launcher/" + id + "/", status, body));
    }

    static bool WasAsked(const std::string& id)
    {
        return portal::RequestLog().find("\"/launcher/" + id + "/\"") != std::string::npos;
    }

    // A game installed in its own folder and named by an HKLM record.
    static LaunchFields InstalledGame(const std::string& name, const std::string& id)
    {
        const std::string dir = InstallTestGame(name);
        const std::string key = "SOFTWARE\\Zen Test Vendor\\" + name;
        WriteString(HKEY_LOCAL_MACHINE, key, "InstallDir", dir);
        return {name, "HKLM\\" + key, "InstallDir", "game.exe", "http://127.0.0.1/games/" + id + "/", id};
    }

    static std::string DirOf(const LaunchFields& f)
    {
        return KeyValues(HKEY_LOCAL_MACHINE, f.installkey.substr(5)).at(f.installvalue).data.c_str();
    }
};

void ExpectNoMessage(const LaunchRun& run)
{
    ASSERT_TRUE(run.ended) << "the launcher or its game did not end";
    EXPECT_EQ(run.exitCode, 0u);
    for (const auto& box : run.boxes) ADD_FAILURE() << "unexpected message: " << box.caption << ": " << box.text;
}

void ExpectOneMessage(const LaunchRun& run, const std::string& text, const std::string& caption)
{
    ASSERT_TRUE(run.ended) << "the launcher or its game did not end";
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, text);
    EXPECT_EQ(run.boxes[0].caption, caption);
}

void ExpectCompleteRecord(const std::string& appname, const std::string& app, const std::string& apath,
                          const std::string& weblink)
{
    SCOPED_TRACE("record " + appname);
    const auto values = KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(appname));
    ASSERT_EQ(values.size(), 4u);
    const std::pair<const char*, std::string> expected[] = {
        {"APPNAME", appname}, {"APP", app}, {"APATH", apath}, {"WEBLINK", weblink}};
    for (const auto& [name, text] : expected) {
        ASSERT_EQ(values.count(name), 1u) << name;
        EXPECT_EQ(values.at(name).type, static_cast<DWORD>(REG_SZ)) << name;
        // Stored with its terminator, which readers rely on.
        EXPECT_EQ(values.at(name).data, text + '\0') << name;
    }
}

void ExpectGameStartedIn(const LaunchRun& run, const std::string& dir, const std::string& exename = "game.exe")
{
    EXPECT_EQ(run.processesStarted, 1);
    const std::vector<GameStart> starts = GameStarts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].commandLine, Quoted(dir, exename));
    EXPECT_EQ(WithoutTrailingBackslash(starts[0].workingDirectory), WithoutTrailingBackslash(dir));
}

TEST_F(LaunchRoad, ApprovedFirstLaunchRecordsAndStartsTheGameInItsFolder)
{
    // Only the first byte counts.
    const std::vector<std::string> approvals = {"1", "1\n", "10", "1 more\nlines\n"};
    for (size_t i = 0; i < approvals.size(); ++i) {
        SCOPED_TRACE("answer [" + approvals[i] + "]");
        StartGameLog();
        const LaunchFields game = InstalledGame("Space " + std::to_string(i), "first" + std::to_string(i));
        Answer(game.approvalid, approvals[i]);

        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectNoMessage(run);
        EXPECT_TRUE(WasAsked(game.approvalid));
        const std::string dir = DirOf(game);
        ExpectGameStartedIn(run, dir);
        ExpectCompleteRecord(game.appname, Quoted(dir, "game.exe"), dir, game.weblink);
    }
}

TEST_F(LaunchRoad, CompleteRecordWinsOverLaterLaunchCommands)
{
    const LaunchFields first = InstalledGame("Kart", "kart1");
    Answer(first.approvalid, "1");
    ExpectNoMessage(RunLauncher(LaunchCommand(first)));
    const std::string dir = DirOf(first);
    const auto recorded = KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath("Kart"));
    ASSERT_EQ(recorded.size(), 4u);

    // Moved elsewhere, and then not installed at all: the record still says
    // where the game is, and nothing is written again.
    const std::string moved = InstallTestGame("Kart Moved");
    WriteString(HKEY_CURRENT_USER, "Software\\Zen Moved\\Kart", "Where", moved);
    const LaunchFields later[] = {
        {"Kart", "HKCU\\Software\\Zen Moved\\Kart", "Where", "game.exe", "http://elsewhere/", "kart2"},
        {"Kart", "HKLM\\SOFTWARE\\Zen Nowhere", "InstallDir", "other.exe", "http://nowhere/", "kart3"},
    };
    for (const LaunchFields& launch : later) {
        SCOPED_TRACE(launch.approvalid);
        StartGameLog();
        Answer(launch.approvalid, "1");
        const LaunchRun run = RunLauncher(LaunchCommand(launch));
        ExpectNoMessage(run);
        ExpectGameStartedIn(run, dir);
        const auto now = KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath("Kart"));
        ASSERT_EQ(now.size(), recorded.size());
        for (const auto& [name, value] : recorded) EXPECT_EQ(now.at(name).data, value.data) << name;
    }
}

TEST_F(LaunchRoad, RecordWithAPlainPathStillStartsItsGame)
{
    // Other software may write "APP" without the opening quotation mark.
    StartGameLog();
    const std::string dir = InstallTestGame("Plain");
    const std::string app = dir + "\\game.exe";
    const std::pair<const char*, std::string> values[] = {
        {"APPNAME", "Plain"}, {"APP", app}, {"APATH", dir}, {"WEBLINK", "http://p/"}};
    for (const auto& [name, text] : values) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, ApplicationRecordPath("Plain").c_str(), name, REG_SZ, text.c_str(),
                                  static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }
    const LaunchFields launch = {"Plain", "HKLM\\SOFTWARE\\Zen Nowhere", "InstallDir", "game.exe", "http://p/", "plain1"};
    Answer(launch.approvalid, "1");
    const LaunchRun run = RunLauncher(LaunchCommand(launch));
    ExpectNoMessage(run);
    EXPECT_EQ(run.processesStarted, 1);
    const std::vector<GameStart> starts = GameStarts();
    ASSERT_EQ(starts.size(), 1u);
    // How the platform writes down a line it read itself is its own affair.
    EXPECT_NE(starts[0].commandLine.find(app), std::string::npos) << starts[0].commandLine;
    EXPECT_EQ(WithoutTrailingBackslash(starts[0].workingDirectory), dir);
}

TEST_F(LaunchRoad, RefusedOrFailedApprovalStartsNothingAndSaysNothing)
{
    struct Case {
        const char* what;
        std::string routeJson;  // empty: no route, the server's 404 page
    };
    const Case cases[] = {
        {"zero", R"({"status": 200, "body": "0"})"},
        {"empty body", R"({"status": 200, "body": ""})"},
        {"leading space", R"({"status": 200, "body": " 1"})"},
        {"leading line feed", R"({"status": 200, "body": "\n1"})"},
        {"true", R"({"status": 200, "body": "true"})"},
        {"404 page", ""},
        {"error page", R"({"status": 500, "body": "<html>1</html>"})"},
        // Only a whole 200 answer approves, whatever its first byte.
        {"failing portal", R"({"status": 500, "body": "1 internal error"})"},
        {"redirect", R"({"status": 302, "body": "1", "headers": {"Location": "/launcher/elsewhere/"}})"},
        {"other success", R"({"status": 203, "body": "1"})"},
        {"cut off answer", R"({"status": 200, "body": "1", "length": false, "headers": {"Content-Length": "40"}})"},
        {"connection reset", R"({"reset": true})"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartGameLog();
        const LaunchFields game = InstalledGame("Refused " + std::to_string(n), "refused" + std::to_string(n));
        ++n;
        if (!c.routeJson.empty()) {
            ASSERT_TRUE(portal::SetRoutes("{\"/launcher/" + game.approvalid + "/\": " + c.routeJson + "}"));
        }
        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectNoMessage(run);
        EXPECT_TRUE(WasAsked(game.approvalid));
        EXPECT_EQ(run.processesStarted, 0);
        EXPECT_TRUE(GameStarts().empty());
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)));
    }
}

TEST_F(LaunchRoad, ApprovalIdIsSentUnchangedInThePath)
{
    LaunchFields game = InstalledGame("Slash", "ab/cd");
    Answer("ab/cd", "1");
    const LaunchRun run = RunLauncher(LaunchCommand(game));
    ExpectNoMessage(run);
    EXPECT_TRUE(WasAsked("ab/cd"));
    ExpectGameStartedIn(run, DirOf(game));
}

TEST_F(LaunchRoad, WithoutTheBranchTheGameStartsAndNothingIsRecorded)
{
    DeleteApplicationBranch();
    const LaunchFields game = InstalledGame("Branchless", "nobranch");
    Answer(game.approvalid, "1");
    const LaunchRun run = RunLauncher(LaunchCommand(game));
    ExpectNoMessage(run);
    ExpectGameStartedIn(run, DirOf(game));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, zentaris::AppBranch));
}

TEST_F(LaunchRoad, MissingInstallationKeyLeavesAnEmptyRecordAndLaterFallbackStarts)
{
    LaunchFields game{"Ghost Game", "HKLM\\SOFTWARE\\Zen Test Vendor\\Ghost", "InstallDir", "game.exe",
                      "http://127.0.0.1/ghost/", "ghost1"};
    Answer(game.approvalid, "1");
    LaunchRun run = RunLauncher(LaunchCommand(game));
    ExpectOneMessage(run, "Could not locate \"Ghost Game\"\n are you sure it is installed?", "App not found");
    EXPECT_EQ(run.processesStarted, 0);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)));
    EXPECT_TRUE(KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)).empty());

    // Installed now: the empty record is never filled; the fallback start
    // locates the game on every launch.
    const std::string dir = InstallTestGame("Ghost");
    WriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zen Test Vendor\\Ghost", "InstallDir", dir);
    for (const char* id : {"ghost2", "ghost3"}) {
        SCOPED_TRACE(id);
        StartGameLog();
        game.approvalid = id;
        Answer(id, "1");
        run = RunLauncher(LaunchCommand(game));
        ExpectNoMessage(run);
        ExpectGameStartedIn(run, dir);
        EXPECT_TRUE(KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)).empty());
    }
}

TEST_F(LaunchRoad, UnusableInstallationRecordTellsTheUserAndStartsNothing)
{
    const std::string dir = InstallTestGame("Broken");
    WriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zen Broken", "InstallDir", dir);
    WriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zen Broken", "Blank", "");
    struct Case {
        std::string installkey;
        std::string installvalue;
        std::string text;
        std::string caption;
    };
    const Case cases[] = {
        {"hklm\\SOFTWARE\\Zen Broken", "InstallDir", "Launchinfo invalid", "invalid data"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Zen Broken", "InstallDir", "Launchinfo invalid", "invalid data"},
        {"\\\\", "InstallDir", "Launchinfo invalid", "invalid data"},
        {"HKLM\\SOFTWARE\\Zen Broken", "NoSuchValue", NotFoundText, "Error"},
        // An empty directory names no installation.
        {"HKLM\\SOFTWARE\\Zen Broken", "Blank", NotFoundText, "Error"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installkey + " / " + c.installvalue);
        StartGameLog();
        const std::string id = "broken" + std::to_string(n);
        const LaunchFields game{"Broken " + std::to_string(n++), c.installkey, c.installvalue, "game.exe",
                                "http://127.0.0.1/", id};
        Answer(id, "1");
        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectOneMessage(run, c.text, c.caption);
        EXPECT_EQ(run.processesStarted, 0);
        EXPECT_TRUE(GameStarts().empty());
        // The record's key was made before the game was looked for.
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)));
        EXPECT_TRUE(KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)).empty());
    }
}

TEST_F(LaunchRoad, InstallationRecordFormsThatLocateTheGame)
{
    struct Case {
        const char* what;
        HKEY root;
        std::string subkey;      // where the test writes the installation record
        std::string installkey;  // what the launch command says
        std::string exename;
        bool trailingBackslash;
    };
    const Case cases[] = {
        {"root only", HKEY_CURRENT_USER, "", "HKCU", "game.exe", false},
        {"root and backslash", HKEY_CURRENT_USER, "", "HKCU\\", "game.exe", false},
        {"leading backslashes", HKEY_LOCAL_MACHINE, "SOFTWARE\\Zen Forms", "\\\\HKLM\\SOFTWARE\\Zen Forms",
         "game.exe", false},
        {"classes root", HKEY_CLASSES_ROOT, "Zen.Forms.Game", "HKCR\\Zen.Forms.Game", "game.exe", false},
        {"trailing backslash", HKEY_LOCAL_MACHINE, "SOFTWARE\\Zen Trailing", "HKLM\\SOFTWARE\\Zen Trailing",
         "game.exe", true},
        {"executable in a subfolder", HKEY_LOCAL_MACHINE, "SOFTWARE\\Zen Sub", "HKLM\\SOFTWARE\\Zen Sub",
         "bin\\kart.exe", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartGameLog();
        const std::string name = "Forms " + std::to_string(n++);
        std::string dir = InstallTestGame(name);
        if (c.exename.find('\\') != std::string::npos) {
            CreateDirectoryA((dir + "\\bin").c_str(), nullptr);
            InstallTestGame(name, c.exename);
        }
        if (c.trailingBackslash) dir += "\\";
        const std::string value = "Zen Dir " + std::to_string(n);
        WriteString(c.root, c.subkey, value, dir);
        const LaunchFields game{name, c.installkey, value, c.exename, "http://127.0.0.1/forms/", "forms" + name.substr(6)};
        Answer(game.approvalid, "1");

        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectNoMessage(run);
        ExpectGameStartedIn(run, dir, c.exename);
        // The directory is kept exactly as the installation record holds it.
        ExpectCompleteRecord(name, Quoted(dir, c.exename), dir, game.weblink);
    }
}

// A game's installer writes its record in the registry view of its own kind
// (64-bit games in the 64-bit one): the launcher, of either kind, finds it
// in both. A record in neither is "App not found".
TEST_F(LaunchRoad, InstallationRecordIsFoundInEitherRegistryView)
{
    struct Case {
        const char* what;
        REGSAM view;
    };
    const Case cases[] = {{"64-bit view", KEY_WOW64_64KEY}, {"32-bit view", KEY_WOW64_32KEY}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "Viewed " + std::to_string(++n);
        const std::string dir = InstallTestGame(name);
        const std::string key = "SOFTWARE\\Zen View Vendor\\" + name;
        ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, key, "InstallDir", dir, c.view));
        const LaunchFields game{name, "HKLM\\" + key, "InstallDir", "game.exe", "http://127.0.0.1/v/", "v" + std::to_string(n)};
        Answer(game.approvalid, "1");
        StartGameLog();
        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectNoMessage(run);
        ExpectGameStartedIn(run, dir);
        ExpectCompleteRecord(name, Quoted(dir, "game.exe"), dir, game.weblink);
    }
}

// A launch link comes from whatever page the user visits: fields that could
// run something else, add arguments or ask the portal about another page
// are refused before anything is fetched or written, even when the portal
// would approve.
TEST_F(LaunchRoad, HostilePayloadStartsNothingAsksNothingWritesNothing)
{
    struct Case {
        const char* what;
        std::string exename;
        std::string approvalid;
    };
    const Case cases[] = {
        {"quote closes the program path", "game.exe\" --injected \\\\host\\x", "h1"},
        {"arguments", "game.exe -windowed", "h2"},
        {"parent folder", "..\\Other\\other.exe", "h3"},
        {"rooted", "\\Windows\\System32\\cmd.exe", "h4"},
        {"drive letter", "C:\\Windows\\System32\\cmd.exe", "h5"},
        {"batch file", "run.bat", "h6"},
        {"control character", "game\x01.exe", "h7"},
        {"dot-segment id", "game.exe", "../x"},
        {"query id", "game.exe", "h8?x=1"},
        {"space in id", "game.exe", "h9 x"},
        {"control character in id", "game.exe", "h10\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(portal::Reset());
        Answer("h1", "1");
        ASSERT_TRUE(portal::Serve("/x/", 200, "1"));
        LaunchFields game = InstalledGame("Hostile", "h1");
        game.exename = c.exename;
        game.approvalid = c.approvalid;
        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectOneMessage(run, "Launchinfo invalid", "invalid data");
        EXPECT_EQ(run.processesStarted, 0);
        EXPECT_TRUE(GameStarts().empty());
        EXPECT_EQ(portal::RequestLog(), "[]");
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)));
    }
}

// Links are signed by the portal: only the six fields it signed, with its
// key, launch. The approval id is signed too, so a page cannot reuse an
// approval with fields of its own.
TEST_F(LaunchRoad, OnlyLinksSignedByThePortalLaunch)
{
    LaunchFields game = InstalledGame("Signed", "s1");
    LaunchFields altered = game;
    altered.exename = "other.exe";
    const std::string signedLink = LaunchCommand(game);
    const std::string signature = signedlink::Signature(JoinedFields(game));
    const std::string strangerSignature = Base64Encode(std::string(64, '\x5a'));
    struct Case {
        const char* what;
        std::string link;
    };
    const Case cases[] = {
        {"unsigned", UnsignedLaunchCommand(game)},
        {"truncated", signedLink.substr(0, signedLink.size() - 8)},
        {"signed by another key", "zentaris://launch/" + Base64Encode(JoinedFields(game) + ";" + strangerSignature)},
        {"field altered after signing", "zentaris://launch/" + Base64Encode(JoinedFields(altered) + ";" + signature)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(portal::Reset());
        Answer("s1", "1");
        const LaunchRun run = RunLauncher(c.link);
        ExpectOneMessage(run, "Launchinfo invalid", "invalid data");
        EXPECT_EQ(run.processesStarted, 0);
        EXPECT_EQ(portal::RequestLog(), "[]");
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)));
    }
    ASSERT_TRUE(portal::Reset());
    Answer("s1", "1");
    const LaunchRun run = RunLauncher(signedLink);
    ExpectNoMessage(run);
    ExpectGameStartedIn(run, DirOf(game));
}

// The folder comes from whatever registry value the link names; only a
// folder on a local drive, outside the places a web page can fill (the
// downloads, the desktop, temporary folders), is a place to start a game from.
TEST_F(LaunchRoad, InstallationFolderThatIsNotLocalOrThatAPageCanFillIsTreatedAsUnreadable)
{
    const std::string downloads = PlantedGame(KnownFolder(FOLDERID_Downloads), "setup.exe");
    const std::string desktop = PlantedGame(KnownFolder(FOLDERID_Desktop), "setup.exe");
    const std::string temp = PlantedGame(TempFolder() + "Unpacked Game", "setup.exe");
    const std::string folders[] = {
        "\\\\host\\share\\Game", "Games\\Game", "C:\\Games\\\" --injected", "\\??\\C:\\zen games\\Remote",
        "C:\\zen games\\NUL", downloads, downloads + "\\", desktop, temp,
        // Spelled another way, still the downloads.
        downloads + "\\..\\" + downloads.substr(downloads.rfind('\\') + 1), ToUpper(downloads), ShortPath(downloads),
    };
    int n = 0;
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        ResetApplicationBranch();
        StartGameLog();
        LaunchFields game = InstalledGame("Remote", "r" + std::to_string(++n));
        game.exename = "setup.exe";
        WriteString(HKEY_LOCAL_MACHINE, game.installkey.substr(5), game.installvalue, folder);
        Answer(game.approvalid, "1");
        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectOneMessage(run, NotFoundText, "Error");
        EXPECT_EQ(run.processesStarted, 0);
        EXPECT_TRUE(GameStarts().empty());
        EXPECT_TRUE(KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)).empty());
    }
}

// A launcher built to take unsigned links cannot tell a page's link from the
// portal's: it reads a game's folder only from a vendor's installation key,
// so no page can point it at the values that name the user's downloads or
// temporary folders, and the folder rule above still holds.
TEST_F(LaunchRoad, UnsignedLinkLauncherReadsFoldersOnlyFromVendorKeys)
{
    const std::string downloads = PlantedGame(KnownFolder(FOLDERID_Downloads), "setup.exe");
    const std::string temp = PlantedGame(TempFolder() + "Drive-by", "setup.exe");
    const std::string shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    WriteString(HKEY_CURRENT_USER, shellFolders, "Zen Downloads", downloads);
    WriteString(HKEY_CURRENT_USER, "Environment", "ZEN_TMP", temp);
    WriteString(HKEY_CLASSES_ROOT, "Zen.Unsigned.Game", "Dir", temp);
    WriteString(HKEY_CURRENT_USER, "Software\\Zen Unsigned Vendor", "Downloads", downloads);
    const std::string dir = InstallTestGame("Unsigned Game", "setup.exe");
    WriteString(HKEY_CURRENT_USER, "Software\\Zen Unsigned Vendor", "InstallDir", dir);

    struct Case {
        const char* what;
        std::string installkey;
        std::string installvalue;
        std::string text;  // the message, empty when the game starts
    };
    const Case cases[] = {
        {"shell folders", "HKCU\\" + shellFolders, "Zen Downloads", "Launchinfo invalid"},
        {"environment", "HKCU\\Environment", "ZEN_TMP", "Launchinfo invalid"},
        {"classes", "HKCR\\Zen.Unsigned.Game", "Dir", "Launchinfo invalid"},
        {"doubled separator", "HKCU\\Software\\\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         "Zen Downloads", "Launchinfo invalid"},
        {"vendor key naming the downloads", "HKCU\\Software\\Zen Unsigned Vendor", "Downloads", NotFoundText},
        {"vendor key naming the game", "HKCU\\Software\\Zen Unsigned Vendor", "InstallDir", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(portal::Reset());
        ResetApplicationBranch();
        StartGameLog();
        const LaunchFields game{"Unsigned " + std::to_string(++n), c.installkey, c.installvalue, "setup.exe",
                                "http://127.0.0.1/u/", "u" + std::to_string(n)};
        Answer(game.approvalid, "1");
        const LaunchRun run = RunLauncher(UnsignedLaunchCommand(game), 60000, UnsignedLinkLauncherProgram);
        if (c.text.empty()) {
            ExpectNoMessage(run);
            ExpectGameStartedIn(run, dir, "setup.exe");
            ExpectCompleteRecord(game.appname, Quoted(dir, "setup.exe"), dir, game.weblink);
            continue;
        }
        ExpectOneMessage(run, c.text, c.text == NotFoundText ? "Error" : "invalid data");
        EXPECT_EQ(run.processesStarted, 0);
        EXPECT_TRUE(GameStarts().empty());
        // A key the rule refuses is refused before the portal is asked.
        EXPECT_EQ(WasAsked(game.approvalid), c.text == NotFoundText);
        EXPECT_TRUE(KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)).empty());
    }
}

// The tray opens "WEBLINK" with the shell: only a web page is kept.
TEST_F(LaunchRoad, WeblinkThatIsNotAWebPageIsStoredEmpty)
{
    LaunchFields game = InstalledGame("Local Link", "w1");
    game.weblink = "file:///C:/Windows/System32/calc.exe";
    Answer("w1", "1");
    const LaunchRun run = RunLauncher(LaunchCommand(game));
    ExpectNoMessage(run);
    const std::string dir = DirOf(game);
    ExpectGameStartedIn(run, dir);
    ExpectCompleteRecord(game.appname, Quoted(dir, game.exename), dir, "");
}

// A portal that never answers counts as a refusal once the deadline has
// passed; the launcher does not stay behind.
TEST_F(LaunchRoad, SilentPortalEndsTheLaunchAtTheDeadline)
{
    LaunchFields game = InstalledGame("Silent", "q1");
    ASSERT_TRUE(portal::Serve("/launcher/q1/", 200, "1", "\"stall\": 600"));
    const ULONGLONG start = GetTickCount64();
    const LaunchRun run = RunLauncher(LaunchCommand(game), 120000);
    const ULONGLONG seconds = (GetTickCount64() - start) / 1000;
    ExpectNoMessage(run);
    EXPECT_TRUE(WasAsked("q1"));
    EXPECT_EQ(run.processesStarted, 0);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)));
    EXPECT_GE(seconds + 1, static_cast<ULONGLONG>(zentaris::ApprovalTimeoutSeconds)) << "ended before the deadline";
    EXPECT_LT(seconds, static_cast<ULONGLONG>(zentaris::ApprovalTimeoutSeconds) + 30) << "ended long after it";
}

TEST_F(LaunchRoad, AppnameWithBackslashMakesANestedRecordFoundByItsPath)
{
    LaunchFields game = InstalledGame("Nest", "nest1");
    game.appname = "Zen Nest\\Level";
    Answer("nest1", "1");
    ExpectNoMessage(RunLauncher(LaunchCommand(game)));
    const std::string dir = DirOf(game);
    ExpectCompleteRecord(game.appname, Quoted(dir, "game.exe"), dir, game.weblink);
    EXPECT_TRUE(KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath("Zen Nest")).empty());

    StartGameLog();
    game.installkey = "HKLM\\SOFTWARE\\Zen Nowhere";
    game.approvalid = "nest2";
    Answer("nest2", "1");
    const LaunchRun run = RunLauncher(LaunchCommand(game));
    ExpectNoMessage(run);
    ExpectGameStartedIn(run, dir);
}

TEST_F(LaunchRoad, RecordTheLauncherCannotUseSendsTheLaunchToTheFallbackStart)
{
    const LaunchFields game = InstalledGame("Odd Record", "odd");
    const std::string dir = DirOf(game);
    const std::string elsewhere = InstallTestGame("Odd Elsewhere");
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> values;
    };
    const Case cases[] = {
        {"no values", {}},
        {"no APATH", {{"APP", Quoted(elsewhere, "game.exe")}}},
        {"APP too long", {{"APP", Quoted(elsewhere, "game.exe") + std::string(1100, ' ')}, {"APATH", elsewhere}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetApplicationBranch();
        StartGameLog();
        CreateKey(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname));
        for (const auto& [name, text] : c.values) {
            WriteString(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname), name, text);
        }
        const auto before = KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname));
        LaunchFields launch = game;
        launch.approvalid = "odd" + std::to_string(n++);
        Answer(launch.approvalid, "1");
        const LaunchRun run = RunLauncher(LaunchCommand(launch));
        ExpectNoMessage(run);
        ExpectGameStartedIn(run, dir);
        const auto after = KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname));
        ASSERT_EQ(after.size(), before.size());
        for (const auto& [name, value] : before) EXPECT_EQ(after.at(name).data, value.data) << name;
    }
}

TEST_F(LaunchRoad, ApprovalUrlThatWouldBeCutIsNotSent)
{
    const std::string base = std::string(zentaris::PortalBaseUrl) + "launcher/";
    // URL = base + id + "/": 1023 characters fit the launcher's buffer.
    const size_t fitting = 1023 - base.size() - 1;
    struct Case {
        size_t idLength;
        bool asked;
    };
    for (const Case c : {Case{fitting, true}, Case{fitting + 1, false}, Case{fitting + 200, false}}) {
        SCOPED_TRACE("id of " + std::to_string(c.idLength));
        ASSERT_TRUE(portal::Reset());
        StartGameLog();
        LaunchFields game = InstalledGame("Long Id " + std::to_string(c.idLength), "");
        game.approvalid = std::string(c.idLength, 'q');
        // Also the cut id: asking about it would be asking about another launch.
        Answer(game.approvalid, "1");
        Answer(game.approvalid.substr(0, fitting), "1");
        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectNoMessage(run);
        EXPECT_EQ(portal::RequestLog() != "[]", c.asked) << portal::RequestLog();
        EXPECT_EQ(run.processesStarted, c.asked ? 1 : 0);
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)), c.asked);
    }
}

// A directory padded with "\." segments still names the game's folder, so a
// command line cut after "game.exe" would start that game although the
// launch command names a longer file name.
TEST_F(LaunchRoad, GamePathThatWouldBeCutIsNotStartedNorRecorded)
{
    // "\"" + dir + "\\" + "game.exe" is 1023 characters with this directory.
    const size_t dirLength = 1023 - 2 - std::string("game.exe").size();
    std::string padded = InstallTestGame("Cut");
    while (padded.size() + 2 <= dirLength) padded += "\\.";
    if (padded.size() < dirLength) padded += "\\";
    ASSERT_EQ(padded.size(), dirLength);
    WriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zen Cut", "InstallDir", padded);

    struct Case {
        const char* what;
        bool branch;
    };
    int n = 0;
    for (const Case c : {Case{"first launch", true}, Case{"fallback start", false}}) {
        SCOPED_TRACE(c.what);
        if (c.branch) ResetApplicationBranch(); else DeleteApplicationBranch();
        StartGameLog();
        const LaunchFields game{"Cut Game", "HKLM\\SOFTWARE\\Zen Cut", "InstallDir", "gameZZ.exe",
                                "http://127.0.0.1/cut/", "cut" + std::to_string(n++)};
        Answer(game.approvalid, "1");
        const LaunchRun run = RunLauncher(LaunchCommand(game));
        ExpectOneMessage(run, NotFoundText, "Error");
        EXPECT_EQ(run.processesStarted, 0);
        EXPECT_TRUE(GameStarts().empty());
        EXPECT_TRUE(KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)).empty());
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, zentaris::AppBranch), c.branch);
    }

    // The command line that just fits is recorded whole.
    ResetApplicationBranch();
    const LaunchFields fits{"Fit Game", "HKLM\\SOFTWARE\\Zen Cut", "InstallDir", "game.exe",
                            "http://127.0.0.1/fit/", "fit"};
    Answer(fits.approvalid, "1");
    const LaunchRun run = RunLauncher(LaunchCommand(fits));
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.boxes.empty());
    const auto values = KeyValues(HKEY_CURRENT_USER, ApplicationRecordPath(fits.appname));
    ASSERT_EQ(values.count("APP"), 1u);
    EXPECT_EQ(values.at("APP").data, Quoted(padded, "game.exe") + '\0');
    EXPECT_EQ(values.at("APP").data.size(), 1024u);
}

// What a user whose game does not start can send: one line per decision of
// the launch, once switched on in the registry or before the link (never by
// anything a page writes into the link), without the link's signature or
// the signed link itself.
TEST_F(LaunchRoad, SupportLogHoldsEachDecisionOnceSwitchedOn)
{
    enum Switch { NoValue, ValueZero, ValueOne };
    struct Case {
        const char* what;
        Switch value;
        std::string before;  // on the command line before the link
        std::string after;   // and after it
        std::string exename;
        std::string answer;               // the portal's; empty: an error page
        std::vector<std::string> lines;   // parts of the log's lines; empty: no log at all
    };
    const Case cases[] = {
        {"off", NoValue, "", "", "game.exe", "1", {}},
        {"value 0", ValueZero, "", "", "game.exe", "1", {}},
        {"switch behind the link", NoValue, "", " --log", "game.exe", "1", {}},
        {"refused link", ValueOne, "", "", "..\\x.exe", "1",
         {"link fields: appname, installkey, installvalue, exename, weblink, approvalid, signature\r\n",
          "the launch ended: exename [..\\x.exe] is not a plain .exe inside the game's folder\r\n",
          "told the user: Launchinfo invalid (invalid data)\r\n"}},
        {"refused by the portal", NoValue, "--log ", "", "game.exe", "",
         {"the launch ended: the portal did not approve [log4]: HTTP 500\r\n"}},
        {"started", NoValue, "--log ", "", "game.exe", "1",
         {"link passes the rules: appname [Logged 5], approvalid [log5], installkey [HKLM\\SOFTWARE\\Zen Test "
          "Vendor\\Logged 5], installvalue [InstallDir], exename [game.exe], signature verified\r\n",
          "the portal approved [log5]: HTTP 200\r\n",
          "game found through first launch: [HKLM\\SOFTWARE\\Zen Test Vendor\\Logged 5] value [InstallDir]; "
          "recorded: starting [\"C:\\zen games\\Logged 5\\game.exe] in [C:\\zen games\\Logged 5]\r\n",
          "] started, process "}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSupportLog(c.value == ValueOne);
        if (c.value == ValueZero) {
            WriteValues(HKEY_CURRENT_USER, zentaris::AppBranch,
                        {{zentaris::LogValue, REG_DWORD, std::string(4, '\0')}});
        }
        StartGameLog();
        LaunchFields game = InstalledGame("Logged " + std::to_string(n), "log" + std::to_string(n));
        ++n;
        game.exename = c.exename;
        ASSERT_TRUE(portal::Serve("/launcher/" + game.approvalid + "/", c.answer.empty() ? 500 : 200,
                                  c.answer.empty() ? "<html>1</html>" : c.answer));
        const std::string link = LaunchCommand(game);
        const LaunchRun run = RunLauncher(c.before + link + c.after);
        ASSERT_TRUE(run.ended);
        // Logging changes nothing the launch does.
        EXPECT_EQ(run.processesStarted, c.exename == "game.exe" && !c.answer.empty() ? 1 : 0);

        const std::optional<std::string> log = SupportLogText("launcher.log");
        if (c.lines.empty()) {
            EXPECT_FALSE(log) << *log;
            continue;
        }
        ASSERT_TRUE(log);
        for (const std::string& part : c.lines) EXPECT_NE(log->find(part), std::string::npos) << part << "\n" << *log;
        EXPECT_EQ(log->find(signedlink::Signature(JoinedFields(game))), std::string::npos) << *log;
        EXPECT_EQ(log->find(link.substr(std::string("zentaris://launch/").size(), 40)), std::string::npos) << *log;
    }
}

// The log keeps to its size: a full file moves aside, replacing the older
// one, so two files at the most stay behind.
TEST_F(LaunchRoad, SupportLogKeepsToItsCapWithOneOlderFile)
{
    ResetSupportLog(true);
    const std::string filler(zentaris::SupportLogCapBytes - 10, 'f');
    std::ofstream(SupportLogPath("launcher.log"), std::ios::binary) << filler;
    std::ofstream(SupportLogPath("launcher.log.1"), std::ios::binary) << "older";
    ExpectOneMessage(RunLauncher("ab"), "Invalid Launcher command", "Operation error");

    EXPECT_EQ(SupportLogText("launcher.log.1"), filler);
    const std::optional<std::string> log = SupportLogText("launcher.log");
    ASSERT_TRUE(log);
    EXPECT_LT(log->size(), 1000u) << *log;
    EXPECT_NE(log->find("told the user: Invalid Launcher command (Operation error)\r\n"), std::string::npos) << *log;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(SupportLogPath("*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::string> files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"launcher.log", "launcher.log.1"}));
}

}  // namespace
