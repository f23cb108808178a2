// Updates as users get them, under Wine: an installation of this build's
// version, the portal's signed manifest for the next one, the real
// installers of both.
//   UpdateRoad     the sample portal (ZEN_PORTAL=sample) serves the next
//                  installer and the manifest it signs for it
//   UpdateRefusal  the scripted test portal serves the manifests this test
//                  writes, one rule broken in each
#include <windows.h>

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "base64_encode.h"
#include "installation.h"
#include "portal_client.h"
#include "signed_link.h"
#include "test_registry.h"
#include "uiauto.h"
#include "update.h"
#include "update_manifest.h"
#include "update_rules.h"
#include "version.h"

namespace {

using testsupport::KeyValues;
using testsupport::ReadString;
using testsupport::SubkeyNames;
using testsupport::WriteString;
using uiauto::WaitUntil;

const char* const Branch = zentaris::AppBranch;
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zentaris";
const char* const TrayClass = zentaris::TrayWindowClass;
constexpr WPARAM TrayExitCommand = 1000;  // the tray menu's "Salir"

// Bounds of the waits for what other processes bring about: generous, as
// they cost nothing when the condition comes, and a loaded machine is slow.
constexpr DWORD Bound = 60000;
// An installation, a check, a download and an installation again.
constexpr DWORD UpdateBound = 240000;

#ifdef _WIN64
const char ThisSetup[] = "Zentaris-Setup-x86_64.exe";
const char NextSetup[] = "Zentaris-Setup-x86_64-next.exe";
#else
const char ThisSetup[] = "Zentaris-Setup-i686.exe";
const char NextSetup[] = "Zentaris-Setup-i686-next.exe";
#endif

const std::string ThisVersion = ZEN_VERSION_TEXT;
const std::string NextVersion = ZEN_NEXT_VERSION;

std::string Environment(const char* name)
{
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
    return length < MAX_PATH ? value : "";
}

std::string UserInstallDir() { return Environment("LOCALAPPDATA") + "\\Programs\\Zentaris"; }
std::string MachineInstallDir() { return Environment("ProgramFiles") + "\\Zentaris"; }
std::string UpdateFolder() { return Environment("LOCALAPPDATA") + "\\Zentaris\\Updates"; }
std::string LauncherIn(const std::string& dir) { return dir + "\\ZentarisLauncher.exe"; }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// "a.b.c.d" of a file's version resource; empty without one.
std::string FileVersionOf(const std::string& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) {
        return {};
    }
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionLS));
}

using uiauto::RunningProgram;

std::vector<RunningProgram> Launchers() { return uiauto::RunningPrograms("ZentarisLauncher.exe"); }

HWND TrayWindowOf(DWORD processId) { return uiauto::WindowOfProcess(TrayClass, processId); }

// Ends every tray through its "Salir" and waits for its process.
void EndTrays()
{
    for (const RunningProgram& p : Launchers()) {
        if (!WaitUntil(Bound, [&] { return TrayWindowOf(p.id) != nullptr; })) continue;
        PostMessageA(TrayWindowOf(p.id), WM_COMMAND, TrayExitCommand, 0);
        EXPECT_EQ(WaitForSingleObject(p.handle.get(), Bound), WAIT_OBJECT_0) << p.image << " did not end";
    }
}

// A user who just starts the installer, or one who chose "Run as
// administrator". Under Wine every program starts elevated; the user's run
// gets the limited token linked to the test's own.
enum class Rights { User, Elevated };

void RunInstaller(const char* setup, const std::string& options, Rights rights)
{
    zentaris::UniqueKernelHandle token;
    if (rights == Rights::User) {
        token = uiauto::UnelevatedToken();
        ASSERT_TRUE(token) << "no unelevated token to run the installer as the user";
    }
    const uiauto::RunResult run =
        uiauto::RunAndAnswer(uiauto::BesideTestProgram(setup), options, Bound, {}, token.get());
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(run.boxes.empty()) << run.boxes.front().text;
}

// The launcher's support log, switched on for the user, as support asks
// users to: the update check writes its decisions there.
void SwitchOnSupportLog()
{
    ASSERT_TRUE(testsupport::WriteValues(HKEY_CURRENT_USER, Branch,
                                         {{zentaris::LogValue, REG_DWORD, std::string("\x01\0\0\0", 4)}}));
}

// The update lines one process wrote to the launcher's support log.
std::string UpdateLog(DWORD processId)
{
    const std::string folder = Environment("LOCALAPPDATA") + "\\Zentaris\\Logs\\";
    const std::string mark = "[" + std::to_string(processId) + "] update: ";
    std::string lines;
    for (const char* file : {"launcher.log.1", "launcher.log"}) {
        std::ifstream in(folder + file);
        for (std::string line; std::getline(in, line);) {
            const size_t at = line.find(mark);
            if (at != std::string::npos) lines += line.substr(at + mark.size()) + "\n";
        }
    }
    return lines;
}

// `ZentarisLauncher.exe --check-updates` of one installation, run by the
// user (whatever installer it starts runs with the user's rights, as the
// tray's): its exit status and the lines its check logged.
struct CheckRun {
    DWORD status = 0;
    std::string log;
};

CheckRun CheckUpdates(const std::string& launcher)
{
    const zentaris::UniqueKernelHandle user = uiauto::UnelevatedToken();
    EXPECT_TRUE(user) << "no unelevated token to check as the user";
    const std::optional<uiauto::Process> run =
        uiauto::Process::Start(launcher, zentaris::CheckUpdatesArgument, {}, user.get());
    EXPECT_TRUE(run) << "the check did not start";
    if (!run) return {};
    const std::optional<DWORD> status = run->WaitExit(Bound);
    EXPECT_TRUE(status) << "the check did not end";
    return {status.value_or(~0u), UpdateLog(run->Id())};
}

int Status(UpdateOutcome outcome) { return static_cast<int>(outcome); }

// A game the user has played, as the launcher records it.
const std::string RecordKey = std::string(zentaris::AppBranch) + "\\Kept Game";

// A key's values as one text, to compare before and after.
std::string ValuesOf(HKEY root, const std::string& path)
{
    std::string text;
    for (const auto& [name, value] : KeyValues(root, path)) {
        text += name + "=" + std::to_string(value.type) + ":" + value.data + "\n";
    }
    return text;
}

void WriteRecord()
{
    ASSERT_TRUE(testsupport::WriteValues(HKEY_CURRENT_USER, RecordKey,
                                         {testsupport::Sz("APPNAME", "Kept Game"),
                                          testsupport::Sz("APP", "\"C:\\Games\\Kept\\kept.exe"),
                                          testsupport::Sz("APATH", "C:\\Games\\Kept"),
                                          testsupport::Sz("WEBLINK", "http://127.0.0.1/games/kept/")}));
}

// An installation of this version for the user, the portal's manifest names
// the next: the tray the installer starts checks, downloads, checks the
// installer against the manifest and runs it; that installer ends the tray,
// replaces the files and starts the next version's tray. The user's records
// stay as they were.
TEST(UpdateRoad, AnInstallationUpdatesItselfToTheNextVersionAndKeepsItsRecords)
{
    SwitchOnSupportLog();
    WriteRecord();
    const std::string records = ValuesOf(HKEY_CURRENT_USER, RecordKey);
    ASSERT_NE(records.find("APPNAME"), std::string::npos);
    const std::string launcher = LauncherIn(UserInstallDir());

    RunInstaller(ThisSetup, "/S /CurrentUser", Rights::User);
    // The tray the installer started exists now, whatever it has done yet.
    std::vector<RunningProgram> first = Launchers();
    ASSERT_EQ(first.size(), 1u) << "the installer's tray";
    EXPECT_TRUE(SamePath(first[0].image, launcher)) << first[0].image;

    // The first tray ends (its installer ended it) and a tray of the next
    // version runs from the same file.
    std::optional<DWORD> next;
    ASSERT_TRUE(WaitUntil(UpdateBound, [&] {
        if (WaitForSingleObject(first[0].handle.get(), 0) != WAIT_OBJECT_0) return false;
        for (const RunningProgram& p : Launchers()) {
            if (SamePath(p.image, launcher) && TrayWindowOf(p.id) && FileVersionOf(p.image) == NextVersion) {
                next = p.id;
                return true;
            }
        }
        return false;
    })) << "no tray of " << NextVersion << "; the installed file is " << FileVersionOf(launcher);
    EXPECT_NE(*next, first[0].id);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UninstallKey, "DisplayVersion"), NextVersion);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Branch, "LauncherPath"), launcher);
    EXPECT_EQ(ValuesOf(HKEY_CURRENT_USER, RecordKey), records);
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, Branch), std::vector<std::string>{"Kept Game"});

    // Once the update's installer has ended, a check finds nothing newer
    // and removes what the update downloaded.
    ASSERT_TRUE(WaitUntil(Bound, [] { return uiauto::RunningPrograms("Zentaris-Setup.exe").empty(); }));
    const CheckRun check = CheckUpdates(launcher);
    EXPECT_EQ(check.status, Status(UpdateOutcome::UpToDate)) << check.log;
    EXPECT_NE(check.log.find("installed " + NextVersion + ", manifest " + NextVersion), std::string::npos)
        << check.log;
    EXPECT_FALSE(FileExists(UpdateFolder()));
    EndTrays();
}

// An installation for every user: the user is told once that the next
// version waits for the administrator; nothing is downloaded or run.
TEST(UpdateRoad, AnInstallationForEveryUserOnlyTellsTheUser)
{
    SwitchOnSupportLog();
    RunInstaller(ThisSetup, "/S", Rights::Elevated);
    const std::string launcher = LauncherIn(MachineInstallDir());
    ASSERT_TRUE(FileExists(launcher));
    // An elevated installer leaves the tray to the next logon: the Run key
    // starts it as the user.
    zentaris::UniqueKernelHandle user = uiauto::UnelevatedToken();
    std::optional<uiauto::Process> tray = uiauto::Process::Start(launcher, "--autostart", {}, user.get());
    ASSERT_TRUE(tray);
    ASSERT_TRUE(WaitUntil(UpdateBound, [&] {
        return ReadString(HKEY_CURRENT_USER, Branch, zentaris::UpdateToldValue) == NextVersion;
    }))
        << "the user was not told of " << NextVersion;
    EXPECT_FALSE(tray->WaitExit(0)) << "the tray ended";
    EXPECT_EQ(FileVersionOf(launcher), ThisVersion);
    EXPECT_FALSE(FileExists(UpdateFolder()));

    // Told once: every later check knows it.
    const CheckRun check = CheckUpdates(launcher);
    EXPECT_EQ(check.status, Status(UpdateOutcome::ForAdministrator)) << check.log;
    EXPECT_NE(check.log.find("installed " + ThisVersion + " for every user"), std::string::npos) << check.log;
    EXPECT_NE(check.log.find("told of " + NextVersion + " already"), std::string::npos) << check.log;
    EXPECT_EQ(FileVersionOf(launcher), ThisVersion);
    EXPECT_TRUE(uiauto::RunningPrograms("Zentaris-Setup.exe").empty());

    // The machine's LauncherPath names an installation outside the program
    // folders, which the user could write: still the administrator's.
    const std::string elsewhere = "C:\\Zentaris For Everyone";
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(launcher.c_str(), LauncherIn(elsewhere).c_str(), FALSE));
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, Branch, "LauncherPath", LauncherIn(elsewhere)));
    const CheckRun named = CheckUpdates(LauncherIn(elsewhere));
    EXPECT_EQ(named.status, Status(UpdateOutcome::ForAdministrator)) << named.log;
    EXPECT_EQ(FileVersionOf(LauncherIn(elsewhere)), ThisVersion);
    EndTrays();
}

// The installer of the next version, as the scripted portal serves it.
struct NextInstaller {
    std::string servedFrom;  // the file, as the portal server (a Linux program) reads it
    size_t size = 0;
    std::string sha256;      // hex
};

NextInstaller ReadNextInstaller()
{
    std::ifstream file(uiauto::BesideTestProgram(NextSetup), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    NextInstaller next;
    const char* binary = std::getenv("ZEN_BINARY_DIR");
    next.servedFrom = std::string(binary ? binary : "") + "/bin/" + NextSetup;
    next.size = bytes.size();
    for (const unsigned char byte : digest) {
        next.sha256 += "0123456789abcdef"[byte >> 4];
        next.sha256 += "0123456789abcdef"[byte & 15];
    }
    return next;
}

// A portal key that no build lists.
const std::string StrangerSeed = "ICEiIyQlJicoKSorLC0uLzAxMjM0NTY3ODk6Ozw9Pj8=";

const char InstallerPath[] = "/downloads/next.exe";

struct Manifest {
    std::string version = NextVersion;
    std::string url = portal::UrlOf(std::string(InstallerPath).substr(1));
    std::string size;
    std::string sha256;
    std::string minimum = "0.0.0.0";
    std::string notBefore;  // none when empty

    std::string Body() const
    {
        std::string body = "version=" + version + "\nurl=" + url + "\nsize=" + size + "\nsha256=" + sha256 +
                           "\nminimum=" + minimum + "\n";
        if (!notBefore.empty()) body += "notbefore=" + notBefore + "\n";
        return body;
    }

    // Signed as the portal signs it: with the build's demo key, as a manifest.
    std::string Text() const { return SignedText(signedlink::SeedText(), std::string(UpdateManifestContext)); }

    std::string SignedText(const std::string& seed, const std::string& context) const
    {
        return Body() + "signature=" + signedlink::SignedWith(seed, context + Body()) + "\n";
    }
};

int Requests(const std::string& path)
{
    const std::string log = portal::RequestLog();
    int count = 0;
    for (size_t at = log.find("\"" + path + "\""); at != std::string::npos; at = log.find("\"" + path + "\"", at + 1)) {
        ++count;
    }
    return count;
}

// An installation of this version for the user, its tray ended: each case
// runs one check through the command.
class UpdateRefusal : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SwitchOnSupportLog();
        RunInstaller(ThisSetup, "/S /CurrentUser", Rights::User);
        EndTrays();
        next_ = ReadNextInstaller();
    }

    void SetUp() override
    {
        ASSERT_EQ(FileVersionOf(Launcher()), ThisVersion) << "no installation of this version";
        ASSERT_GT(next_.size, 0u) << "no next installer";
        ASSERT_TRUE(portal::Reset());
        ASSERT_TRUE(portal::SetRoutes("{\"" + std::string(InstallerPath) + "\": {\"status\": 200, \"body_file\": \"" +
                                      next_.servedFrom + "\"}}"));
    }

    static std::string Launcher() { return LauncherIn(UserInstallDir()); }

    // The manifest of the next installer, as its portal would make it.
    static Manifest Good()
    {
        Manifest manifest;
        manifest.size = std::to_string(next_.size);
        manifest.sha256 = next_.sha256;
        return manifest;
    }

    // Nothing was installed or is being installed; nothing stays downloaded.
    static void ExpectNothingRun()
    {
        EXPECT_EQ(FileVersionOf(Launcher()), ThisVersion);
        EXPECT_TRUE(uiauto::RunningPrograms("Zentaris-Setup.exe").empty());
        EXPECT_FALSE(FileExists(UpdateFolder()));
    }

    static NextInstaller next_;
};

NextInstaller UpdateRefusal::next_;

TEST_F(UpdateRefusal, AManifestThatDoesNotVerifyParseOrFitLeadsToNoDownloadAndNoRun)
{
    const auto with = [](auto change) {
        Manifest manifest = Good();
        change(manifest);
        return manifest.Text();
    };
    const std::string older = std::to_string(ZEN_VERSION_MAJOR) + "." + std::to_string(ZEN_VERSION_MINOR) + "." +
                              std::to_string(ZEN_VERSION_PATCH > 0 ? ZEN_VERSION_PATCH - 1 : 0) + ".0";
    ASSERT_NE(older, ThisVersion) << "this version has no older one to offer";
    const struct {
        const char* what;
        std::string text;
        UpdateOutcome outcome;
        std::string logged;
        int downloads;
    } cases[] = {
        {"signed with a key the launcher does not list",
         Good().SignedText(StrangerSeed, std::string(UpdateManifestContext)), UpdateOutcome::ManifestRefused,
         "no key of this launcher verifies", 0},
        {"signed as a launch link", Good().SignedText(signedlink::SeedText(), std::string(LinkSignatureContext)),
         UpdateOutcome::ManifestRefused, "no key of this launcher verifies", 0},
        {"an older version", with([&](Manifest& m) { m.version = older; }), UpdateOutcome::UpToDate,
         "manifest " + older, 0},
        {"this very version", with([](Manifest& m) { m.version = ThisVersion; }), UpdateOutcome::UpToDate,
         "manifest " + ThisVersion, 0},
        {"plain http to a host other than loopback",
         with([](Manifest& m) { m.url = "http://games.example/downloads/next.exe"; }),
         UpdateOutcome::ManifestRefused, "url is neither https nor http on loopback", 0},
        {"an installer over the size bound",
         with([](Manifest& m) { m.size = std::to_string(UpdateSizeLimit + 1); }),
         UpdateOutcome::ManifestRefused, "size is over the installer's bound", 0},
        {"a SHA-256 of other bytes",
         with([](Manifest& m) { m.sha256 = std::string(m.sha256.rbegin(), m.sha256.rend()); }),
         UpdateOutcome::InstallerMismatch, "SHA-256 or size differs", 1},
        {"a size one byte short", with([](Manifest& m) { m.size = std::to_string(std::stoull(m.size) - 1); }),
         UpdateOutcome::InstallerMismatch, "longer than the manifest's size", 1},
        {"this version below the minimum", with([](Manifest& m) { m.minimum = NextVersion; }),
         UpdateOutcome::BelowMinimum, "minimum " + NextVersion, 0},
        {"not before a time to come", with([](Manifest& m) { m.notBefore = "4102444800"; }),
         UpdateOutcome::NotYet, "notbefore 4102444800", 0},
        {"an installer the portal does not have",
         with([](Manifest& m) { m.url = portal::UrlOf("downloads/missing.exe"); }), UpdateOutcome::DownloadFailed,
         "no installer at", 0},
        {"longer than the manifest's bound",
         Good().Body() + "pad=" + std::string(UpdateManifestCapacity, 'x') + "\nsignature=x\n",
         UpdateOutcome::ManifestRefused, "longer than the manifest's bound", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(portal::Serve("/launcher/update.txt", 200, c.text));
        const int before = Requests(InstallerPath);
        const CheckRun check = CheckUpdates(Launcher());
        EXPECT_EQ(check.status, Status(c.outcome)) << check.log;
        EXPECT_NE(check.log.find(c.logged), std::string::npos) << check.log;
        EXPECT_EQ(Requests(InstallerPath) - before, c.downloads);
        ExpectNothingRun();
    }
    // No manifest at all is nothing to do.
    ASSERT_TRUE(portal::Serve("/launcher/update.txt", 404, "no such file"));
    EXPECT_EQ(CheckUpdates(Launcher()).status, Status(UpdateOutcome::NoManifest));
    ExpectNothingRun();
}

// A launch holds off the update: neither downloaded nor run while one is
// under way, and the check after it goes on.
TEST_F(UpdateRefusal, NoUpdateWhileALaunchIsUnderWay)
{
    // Good but for its hash: a check that gets past the launch downloads it
    // and stops there.
    Manifest manifest = Good();
    manifest.sha256 = std::string(manifest.sha256.rbegin(), manifest.sha256.rend());
    ASSERT_TRUE(portal::Serve("/launcher/update.txt", 200, manifest.Text()));
    // The launcher in launch mode, waiting for the portal's approval.
    ASSERT_TRUE(portal::SetRoutes(R"({"/launcher/held1/": {"status": 200, "body": "0\n", "stall": 15}})"));
    const std::string link =
        signedlink::LaunchUrl("Held Game;HKCU\\Software\\Zentaris Held;Dir;game.exe;http://127.0.0.1/;held1");
    std::optional<uiauto::Process> launch = uiauto::Process::Start(Launcher(), link);
    ASSERT_TRUE(launch);
    ASSERT_TRUE(WaitUntil(Bound, [] { return Requests("/launcher/held1/") == 1; })) << "the launch did not ask";

    CheckRun check = CheckUpdates(Launcher());
    EXPECT_EQ(check.status, Status(UpdateOutcome::LaunchUnderWay)) << check.log;
    EXPECT_EQ(Requests(InstallerPath), 0);
    ExpectNothingRun();

    // Refused, the launch ends; the next check downloads (and stops at the
    // hash).
    ASSERT_TRUE(launch->WaitExit(Bound)) << "the launch did not end";
    check = CheckUpdates(Launcher());
    EXPECT_EQ(check.status, Status(UpdateOutcome::InstallerMismatch)) << check.log;
    EXPECT_EQ(Requests(InstallerPath), 1);
    ExpectNothingRun();
}

// The reverse of a manifest signed as a launch link: a launch link whose
// signature was made as a manifest's is refused before the portal is asked.
TEST_F(UpdateRefusal, ALaunchLinkSignedAsAManifestIsRefused)
{
    const std::string fields = "Signed Game;HKCU\\Software\\Zentaris Signed;Dir;game.exe;http://127.0.0.1/;";
    const struct {
        const char* what;
        std::string link;
        std::string id;
        bool refused;
    } cases[] = {
        {"signed as a link", signedlink::LaunchUrl(fields + "asLink"), "asLink", false},
        {"signed as a manifest",
         "zentaris://launch/" +
             Base64Encode(fields + "asManifest;" +
                          signedlink::SignedWith(signedlink::SeedText(), SignedManifestMessage(fields + "asManifest"))),
         "asManifest", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const uiauto::RunResult run = uiauto::RunAndAnswer(Launcher(), c.link, Bound);
        ASSERT_TRUE(run.exited);
        if (c.refused) {
            ASSERT_EQ(run.boxes.size(), 1u);
            EXPECT_EQ(run.boxes[0].text, "Launchinfo invalid");
        } else {
            // Past the signature, the portal is asked (and, knowing no such
            // id, refuses without a word).
            EXPECT_TRUE(run.boxes.empty()) << run.boxes.front().text;
        }
        EXPECT_EQ(Requests("/launcher/" + c.id + "/"), c.refused ? 0 : 1);
    }
}

// An update whose installer cannot replace the files (another program holds
// the launcher open) leaves the installed version as it was, with its tray;
// that tray does not try the same installer again at once.
TEST_F(UpdateRefusal, AnUpdateThatFailsLeavesTheInstalledVersionAndItsTray)
{
    ASSERT_TRUE(portal::Serve("/launcher/update.txt", 200, Good().Text()));
    zentaris::UniqueKernelHandle held(
        CreateFileA(Launcher().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    const CheckRun check = CheckUpdates(Launcher());
    ASSERT_EQ(check.status, Status(UpdateOutcome::InstallerStarted)) << check.log;
    // The installer exists as a process once the check has ended.
    ASSERT_TRUE(WaitUntil(Bound, [] { return uiauto::RunningPrograms("Zentaris-Setup.exe").empty(); }))
        << "the installer did not end";
    std::optional<DWORD> tray;
    ASSERT_TRUE(WaitUntil(Bound, [&] {
        for (const RunningProgram& p : Launchers()) {
            if (SamePath(p.image, Launcher()) && TrayWindowOf(p.id)) tray = p.id;
        }
        return tray.has_value();
    })) << "the installer did not start the installed version's tray again";
    EXPECT_EQ(FileVersionOf(Launcher()), ThisVersion);
    EXPECT_TRUE(FileExists(UserInstallDir() + "\\zenproto.dll"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Branch, "LauncherPath"), Launcher());
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UninstallKey, "DisplayVersion"), ThisVersion);

    // That tray's check (which a command then waits for) downloads
    // nothing; the command, asked to check now, tries again at once.
    ASSERT_TRUE(WaitUntil(Bound, [] { return Requests("/launcher/update.txt") == 2; })) << "the tray did not check";
    const CheckRun again = CheckUpdates(Launcher());
    EXPECT_EQ(again.status, Status(UpdateOutcome::InstallerStarted)) << again.log;
    EXPECT_EQ(Requests(InstallerPath), 2);
    ASSERT_TRUE(WaitUntil(Bound, [] { return uiauto::RunningPrograms("Zentaris-Setup.exe").empty(); }));
    held.reset();
    EndTrays();
    EXPECT_EQ(FileVersionOf(Launcher()), ThisVersion);
}

}  // namespace
