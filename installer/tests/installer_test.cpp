// The real installer and uninstaller, silent, in this test's own prefix.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "application_record.h"
#include "portal_client.h"
#include "shared_names.h"
#include "signed_link.h"
#include "test_registry.h"
#include "text_conversion.h"
#include "uiauto.h"
#include "version.h"

namespace {

using testsupport::DeleteKeyTree;
using testsupport::KeyExists;
using testsupport::ReadString;
using testsupport::WriteString;
using uiauto::WaitUntil;

const char* const Branch = zentaris::AppBranch;
const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zentaris";
const char ClassKey[] = "CLSID\\{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}";
const char SchemeCommand[] = "zentaris\\shell\\open\\command";
const char HandlerKey[] = "PROTOCOLS\\Handler\\zentaris";
const char ClassId[] = "{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}";
// What Windows runs once for each user at logon.
const char ActiveSetupKey[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{F125FB44-A081-4AB0-9EA6-FC03AEDBDF52}";
// The other registry view than this program's: the machine's LauncherPath
// must be in both, for the 32-bit and the 64-bit handler.
#ifdef _WIN64
constexpr REGSAM OtherView = KEY_WOW64_32KEY;
#else
constexpr REGSAM OtherView = KEY_WOW64_64KEY;
#endif
// Wine does not merge the user's classes into HKEY_CLASSES_ROOT: each side is
// read where it is written.
const char Classes[] = "Software\\Classes\\";

std::string Environment(const char* name)
{
    char value[MAX_PATH] = {};
    GetEnvironmentVariableA(name, value, MAX_PATH);
    return value;
}

// Where an installation with administrator rights goes (Wine's user always
// has them), and where one for the user alone goes.
std::string InstallDir() { return Environment("ProgramFiles") + "\\Zentaris"; }
std::string UserInstallDir() { return Environment("LOCALAPPDATA") + "\\Programs\\Zentaris"; }

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string LauncherIn(const std::string& dir) { return dir + "\\ZentarisLauncher.exe"; }
std::string AutostartOf(const std::string& dir) { return "\"" + LauncherIn(dir) + "\" --autostart"; }

// What the installer wrote to install.log (UTF-16 with a byte-order mark).
std::string InstallLog(const std::string& dir)
{
    std::ifstream in(dir + "\\install.log", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return {};
    std::u16string text((bytes.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                        static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    }
    return testsupport::NarrowUtf16(std::u16string_view(text));
}

// A command line as the registry holds it: the quoted program, then its
// arguments.
std::pair<std::string, std::string> SplitCommand(const std::string& command)
{
    const size_t close = command.find('"', 1);
    if (command.empty() || command[0] != '"' || close == std::string::npos) return {};
    return {command.substr(1, close - 1), command.substr(std::min(command.size(), close + 2))};
}

// The lines the test game logged ("working directory|command line").
std::vector<std::string> LogLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Another process brings these about; this bound suits most of them.
// Bounds of the waits for what another process brings about: generous, as
// they cost nothing when the condition comes, and a loaded machine is slow.
constexpr DWORD Bound = 60000;

const char* const TrayClass = zentaris::TrayWindowClass;
constexpr WPARAM TrayExitCommand = 1000;  // the tray menu's "Salir"

bool TrayRunning() { return FindWindowA(TrayClass, nullptr) != nullptr; }

// The tray window of one process; null when it has none (yet).
HWND TrayWindowOf(DWORD processId) { return uiauto::WindowOfProcess(TrayClass, processId); }

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// A running ZentarisLauncher.exe, and whether with an elevated token.
struct LauncherProcess : uiauto::RunningProgram {
    std::optional<bool> elevated;
};

// Every process of this session that runs a file named ZentarisLauncher.exe,
// from any folder: what an installer started is here when it has ended.
std::vector<LauncherProcess> LauncherProcesses()
{
    std::vector<LauncherProcess> launchers;
    for (uiauto::RunningProgram& p : uiauto::RunningPrograms("ZentarisLauncher.exe")) {
        const std::optional<bool> elevated = uiauto::RunsElevated(p.handle.get());
        launchers.push_back({std::move(p), elevated});
    }
    return launchers;
}

// The installer of this build's architecture.
#ifdef _WIN64
const char Setup[] = "Zentaris-Setup-x86_64.exe";
#else
const char Setup[] = "Zentaris-Setup-i686.exe";
#endif

// Who runs the installer: a user who just starts it, or one who chose "Run
// as administrator" (as a deployment tool runs it). Under Wine every
// program starts elevated; the user's run gets the limited token linked to
// the test's own.
enum class Rights { User, Elevated };

void RunInstaller(const std::string& options, Rights rights, DWORD exitCode = 0)
{
    zentaris::UniqueKernelHandle token;
    if (rights == Rights::User) {
        token = uiauto::UnelevatedToken();
        ASSERT_TRUE(token) << "no unelevated token to run the installer as the user";
    }
    const uiauto::RunResult run =
        uiauto::RunAndAnswer(uiauto::BesideTestProgram(Setup), options, 60000, {}, token.get());
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.exitCode, exitCode);
    ASSERT_TRUE(run.boxes.empty()) << run.boxes.front().text;
}

void Install(const std::string& options = "/S")
{
    RunInstaller(options, Rights::User);
    // The installer starts the tray and does not wait for it: until its
    // window is there, an uninstaller cannot ask it to end, and its program
    // file stays in use. Another installation's tray may be running beside
    // it: every running launcher has its window then.
    ASSERT_TRUE(WaitUntil(Bound, [] {
        const std::vector<LauncherProcess> launchers = LauncherProcesses();
        return !launchers.empty() && std::all_of(launchers.begin(), launchers.end(), [](const LauncherProcess& p) {
            return TrayWindowOf(p.id) != nullptr;
        });
    })) << "the installer did not start the tray";
}

// Whether the uninstall entry under `root` is the one of the installation
// in `dir`.
bool EntryNames(HKEY root, const std::string& dir)
{
    const std::optional<std::string> location = ReadString(root, UninstallKey, "InstallLocation");
    return location && SamePath(*location, dir);
}

// The uninstaller hands itself to a copy in the temporary folder and returns
// at once; it is done when its uninstall entry is gone, the machine's or the
// user's.
void Uninstall(const std::string& options = "/S", const std::string& dir = InstallDir())
{
    const std::string uninstaller = dir + "\\uninstall.exe";
    ASSERT_TRUE(FileExists(uninstaller));
    const uiauto::RunResult run = uiauto::RunAndAnswer(uninstaller, options, 60000);
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(WaitUntil(60000, [&] {
        return !EntryNames(HKEY_LOCAL_MACHINE, dir) && !EntryNames(HKEY_CURRENT_USER, dir);
    }));
    ASSERT_TRUE(WaitUntil(Bound, [&] { return !FileExists(dir); }));
}

// What an installation for every user leaves where each user of the machine
// looks: LauncherPath in both registry views, the tray at logon, the
// uninstall entry and the branch each user gets at logon; none of it in the
// installing user's own hive.
void ExpectInstalledForEveryUser(const std::string& dir)
{
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, Branch, "LauncherPath"), LauncherIn(dir));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, Branch, "LauncherPath", OtherView), LauncherIn(dir));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, RunKey, "Zentaris"), AutostartOf(dir));
    EXPECT_TRUE(EntryNames(HKEY_LOCAL_MACHINE, dir));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, "QuietUninstallString"),
              "\"" + dir + "\\uninstall.exe\" /S");
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, ActiveSetupKey, "StubPath"),
              "\"" + std::string(system) + "\\reg.exe\" add \"HKCU\\" + Branch + "\" /f");
    EXPECT_NE(ReadString(HKEY_CURRENT_USER, Branch, "LauncherPath"), LauncherIn(dir));
    EXPECT_NE(ReadString(HKEY_CURRENT_USER, RunKey, "Zentaris"), AutostartOf(dir));
    EXPECT_FALSE(EntryNames(HKEY_CURRENT_USER, dir));
}

// What an installation for its user alone leaves in the user's hive, and
// none of it in the machine's.
void ExpectInstalledForTheUser(const std::string& dir)
{
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Branch, "LauncherPath"), LauncherIn(dir));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, RunKey, "Zentaris"), AutostartOf(dir));
    EXPECT_TRUE(EntryNames(HKEY_CURRENT_USER, dir));
    EXPECT_NE(ReadString(HKEY_LOCAL_MACHINE, Branch, "LauncherPath"), LauncherIn(dir));
    EXPECT_NE(ReadString(HKEY_LOCAL_MACHINE, RunKey, "Zentaris"), AutostartOf(dir));
    EXPECT_FALSE(EntryNames(HKEY_LOCAL_MACHINE, dir));
}

// Nothing of any installation is left under `root`.
void ExpectNoSettingsIn(HKEY root)
{
    EXPECT_EQ(ReadString(root, Branch, "LauncherPath"), std::nullopt);
    EXPECT_EQ(ReadString(root, RunKey, "Zentaris"), std::nullopt);
    EXPECT_FALSE(KeyExists(root, UninstallKey));
    if (root == HKEY_LOCAL_MACHINE) {
        EXPECT_EQ(ReadString(root, Branch, "LauncherPath", OtherView), std::nullopt);
        EXPECT_FALSE(KeyExists(root, Branch));
        EXPECT_FALSE(KeyExists(root, ActiveSetupKey));
    }
}

// The handler's class, its protocol entry and the scheme, as registered from
// `dir` in the classes under `root`.
void ExpectRegisteredIn(HKEY root, const std::string& classes, const std::string& dir)
{
    const std::string launcher = dir + "\\ZentarisLauncher.exe";
    EXPECT_EQ(ReadString(root, classes + SchemeCommand, ""), "\"" + launcher + "\" \"%1\"");
    EXPECT_EQ(ReadString(root, classes + "zentaris", "URL Protocol"), "");
    EXPECT_EQ(ReadString(root, classes + HandlerKey, "CLSID"), std::string(ClassId));
    EXPECT_EQ(ReadString(root, classes + ClassKey + "\\InprocServer32", ""), dir + "\\zenproto.dll");
}

void ExpectNothingIn(HKEY root, const std::string& classes)
{
    EXPECT_FALSE(KeyExists(root, classes + "zentaris"));
    EXPECT_FALSE(KeyExists(root, classes + HandlerKey));
    EXPECT_FALSE(KeyExists(root, classes + ClassKey));
}

TEST(Installer, InstallsRegistersAndStartsTheTray)
{
    // A handler of another scheme that uninstalling must not touch.
    ASSERT_TRUE(WriteString(HKEY_CLASSES_ROOT, "PROTOCOLS\\Handler\\othersheme", "CLSID", "{00000000-0000-0000-0000-000000000001}"));
    const std::string dir = InstallDir();
    const std::string launcher = LauncherIn(dir);
    // Where an earlier version kept an installation for every user's
    // settings: the installing user's hive. They move to the machine's.
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, Branch, "LauncherPath", launcher));
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, RunKey, "Zentaris", AutostartOf(dir)));
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, UninstallKey, "InstallLocation", dir));
    Install();

    EXPECT_TRUE(FileExists(launcher));
    EXPECT_TRUE(FileExists(dir + "\\zenproto.dll"));
    // Wine's user is an administrator: the installation is for every user.
    ExpectInstalledForEveryUser(dir);
    ExpectNoSettingsIn(HKEY_CURRENT_USER);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Branch)) << "the installing user's game list has no branch";
    const std::string log = InstallLog(dir);
    EXPECT_NE(log.find("into " + dir + " for every user of this computer\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Started the Zentaris tray\r\n"), std::string::npos) << log;
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, SchemeCommand, ""), "\"" + launcher + "\" \"%1\"");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "zentaris", "URL Protocol"), "");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "PROTOCOLS\\Handler\\zentaris", "CLSID"),
              "{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::string(ClassKey) + "\\InprocServer32", ""),
              dir + "\\zenproto.dll");
    // For every user: the machine's classes, none of the user's own.
    ExpectRegisteredIn(HKEY_LOCAL_MACHINE, Classes, dir);
    ExpectNothingIn(HKEY_CURRENT_USER, Classes);
    EXPECT_TRUE(WaitUntil(Bound, TrayRunning)) << "the tray was not started";
    // The tray is the installed launcher, with the rights of the user who
    // ran the installer.
    const std::vector<LauncherProcess> trays = LauncherProcesses();
    ASSERT_EQ(trays.size(), 1u);
    EXPECT_TRUE(SamePath(trays[0].image, launcher)) << trays[0].image;
    EXPECT_EQ(trays[0].elevated, std::optional<bool>(false));
    // What "Apps and features" lists, marked where the build trusts a demo key.
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName"), std::string(ZEN_DISPLAY_NAME));
}

// The tray runs with the rights of whoever starts it, and so does every game
// and page it opens. Over a running installation the installer ends the tray
// to replace its files; run as the user it starts the new one, run with
// administrator rights in force it starts none and leaves that to the Run
// key at the next logon.
TEST(Installer, ReinstallStartsTheTrayOnlyWithoutAdministratorRights)
{
    const std::string launcher = LauncherIn(InstallDir());
    // An upgrade keeps the game list.
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, ApplicationRecordPath("Upgraded Game"), "APPNAME", "Upgraded Game"));
    const struct {
        const char* who;
        Rights rights;
        bool startsTray;
        const char* logs;
    } cases[] = {{"as the user", Rights::User, true, "Started the Zentaris tray\r\n"},
                 {"with administrator rights", Rights::Elevated, false,
                  "Installed with administrator rights: the Zentaris tray starts at the next logon, not from this "
                  "installer\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.who);
        std::vector<LauncherProcess> before = LauncherProcesses();
        ASSERT_EQ(before.size(), 1u) << "the tray of the installation";
        RunInstaller("/S", c.rights);
        EXPECT_TRUE(FileExists(launcher));
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, RunKey, "Zentaris"), AutostartOf(InstallDir()));
        const std::string log = InstallLog(InstallDir());
        EXPECT_NE(log.find(c.logs), std::string::npos) << log;
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, ApplicationRecordPath("Upgraded Game"), "APPNAME"), "Upgraded Game");

        // Started or not, it is so when the installer has ended.
        std::vector<LauncherProcess> started;
        for (LauncherProcess& p : LauncherProcesses()) {
            if (p.id != before[0].id) started.push_back(std::move(p));
        }
        EXPECT_EQ(WaitForSingleObject(before[0].handle.get(), Bound), WAIT_OBJECT_0) << "the old tray still runs";
        if (!c.startsTray) {
            EXPECT_TRUE(started.empty()) << "started " << started.front().image;
            continue;
        }
        ASSERT_EQ(started.size(), 1u);
        EXPECT_TRUE(SamePath(started[0].image, launcher)) << started[0].image;
        EXPECT_EQ(started[0].elevated, std::optional<bool>(false));
        EXPECT_TRUE(WaitUntil(Bound, [&] { return TrayWindowOf(started[0].id) != nullptr; }));
    }
    // The next logon, as the Run key starts it.
    const auto [program, arguments] = SplitCommand(ReadString(HKEY_LOCAL_MACHINE, RunKey, "Zentaris").value_or(""));
    zentaris::UniqueKernelHandle user = uiauto::UnelevatedToken();
    ASSERT_TRUE(uiauto::Process::Start(program, arguments, {}, user.get()));
    EXPECT_TRUE(WaitUntil(Bound, TrayRunning));
}

constexpr char ShellGameFolder[] = "C:\\shell game";

TEST(Installer, SchemeRegistrationStartsTheLauncherLikeABrowserDoes)
{
    // A game installed with its own installation record (not in a temporary
    // folder: the launcher starts nothing a web page could have put there).
    const std::string gameDir = ShellGameFolder;
    CreateDirectoryA(gameDir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(uiauto::BesideTestProgram("testgame.exe").c_str(),
                          (gameDir + "\\game.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, "Software\\Shell Game", "Dir", gameDir));
    const std::string log = gameDir + "\\played.log";
    SetEnvironmentVariableA("ZEN_TESTGAME_LOG", log.c_str());

    // The shell puts the URL into the registered command as "%1": whatever
    // a page adds after a space or a quotation mark must not reach the game.
    const std::string fields = "Shell Game;HKCU\\Software\\Shell Game;Dir;game.exe;http://127.0.0.1/;";
    const std::string suffixes[] = {"", "\" --injected \"C:\\x", " --injected", "\"\" /c calc.exe"};
    int n = 0;
    for (const std::string& suffix : suffixes) {
        SCOPED_TRACE("after the link: [" + suffix + "]");
        const std::string id = "shell" + std::to_string(++n);
        ASSERT_TRUE(portal::Serve("/launcher/" + id + "/", 200, "1\n"));
        const std::string url = signedlink::LaunchUrl(fields + id) + suffix;
        const auto started =
            reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        ASSERT_GT(started, 32) << "the shell did not start the registered program";
        ASSERT_TRUE(WaitUntil(Bound, [&] { return LogLines(log).size() == static_cast<size_t>(n); }))
            << "the game did not run";
        // Exactly the game's own path: an opening quotation mark, no arguments.
        const std::string line = LogLines(log).back();
        EXPECT_EQ(line.substr(line.find('|') + 1), "\"" + gameDir + "\\game.exe");
    }
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, ApplicationRecordPath("Shell Game"), "APPNAME"), "Shell Game");
}

#ifndef _WIN64
// The 64-bit view of HKEY_CLASSES_ROOT, which 64-bit programs see.
bool KeyExistsIn64BitView(const std::string& path)
{
    zentaris::UniqueRegKey key;
    return RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
}

std::string Win64Program(const char* name)
{
    std::string path = std::string("Z:") + ZEN_WIN64_BIN + "\\" + name;
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
}
#endif

// The browsers' side of the URL layer: a client of this build's kind and,
// where the release installer also installs the 64-bit handler, a 64-bit one.
struct UrlLayerClient {
    const char* what;
    std::string program;
};
std::vector<UrlLayerClient> UrlLayerClients()
{
#ifdef _WIN64
    return {{"64-bit client", uiauto::BesideTestProgram("zen_urlbind.exe")}};
#else
    return {{"32-bit client", uiauto::BesideTestProgram("zen_urlbind.exe")},
            {"64-bit client", Win64Program("zen_urlbind.exe")}};
#endif
}

// A launch link of the shell game followed through the URL layer by
// `client`, as a browser follows it: the handler starts the launcher, which
// starts the game.
void LaunchThroughTheUrlLayer(const std::string& client, const std::string& approvalId)
{
    const std::string log = std::string(ShellGameFolder) + "\\played.log";
    const std::string fields = "Shell Game;HKCU\\Software\\Shell Game;Dir;game.exe;http://127.0.0.1/;";
    const size_t before = LogLines(log).size();
    ASSERT_TRUE(portal::Serve("/launcher/" + approvalId + "/", 200, "1\n"));
    auto launch = uiauto::Process::Start(client, signedlink::LaunchUrl(fields + approvalId));
    ASSERT_TRUE(launch);
    // A handler that finds no launcher holds the client in its message box.
    std::vector<uiauto::MessageBoxInfo> boxes;
    WaitUntil(60000, [&] {
        boxes = uiauto::FindMessageBoxes(launch->Id());
        return launch->WaitExit(0) || !boxes.empty();
    });
    for (const uiauto::MessageBoxInfo& box : boxes) ADD_FAILURE() << "the handler says: " << box.text;
    const std::optional<DWORD> ended = launch->WaitExit(0);
    if (!ended) launch->Kill();
    EXPECT_EQ(ended, std::optional<DWORD>(0));
    if (!boxes.empty()) return;
    EXPECT_TRUE(WaitUntil(Bound, [&] { return LogLines(log).size() == before + 1; })) << "the game did not run";
}

#ifndef _WIN64
// The release installer on 64-bit Windows: the 32-bit handler for 32-bit
// URL-layer clients and a 64-bit one, in the 64-bit view, for 64-bit
// clients (64-bit browsers, programs that embed one). Each client gets the
// install-check image and starts a launch.
TEST(Installer, BothKindsOfUrlLayerClientFindTheHandler)
{
    const std::string dir = InstallDir();
    ASSERT_TRUE(FileExists(dir + "\\x64\\zenproto.dll"));
    zentaris::UniqueRegKey server64;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string(ClassKey) + "\\InprocServer32").c_str(), 0,
                            KEY_READ | KEY_WOW64_64KEY, server64.put()),
              ERROR_SUCCESS);
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    ASSERT_EQ(RegQueryValueExA(server64.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(path), dir + "\\x64\\zenproto.dll");
    EXPECT_TRUE(KeyExistsIn64BitView(HandlerKey));

    int n = 0;
    for (const UrlLayerClient& c : UrlLayerClients()) {
        SCOPED_TRACE(c.what);
        const std::string image = Environment("TEMP") + "\\instcheck-" + std::to_string(n) + ".gif";
        auto check = uiauto::Process::Start(c.program, "zentaris://instcheck/1000 \"" + image + "\"");
        ASSERT_TRUE(check);
        EXPECT_EQ(check->WaitExit(60000), std::optional<DWORD>(0));
        WIN32_FILE_ATTRIBUTE_DATA attributes{};
        ASSERT_TRUE(GetFileAttributesExA(image.c_str(), GetFileExInfoStandard, &attributes));
        EXPECT_EQ(attributes.nFileSizeLow, 43u) << "the install-check image";
        LaunchThroughTheUrlLayer(c.program, "bind" + std::to_string(++n));
    }
}
#endif

// Removes what the installing user's own hive holds of Zentaris: what any
// other user of the machine has before their first logon after the
// installation. (Wine has one user; this stands in for the others.)
void RemoveTheInstallingUsersKeys()
{
    DeleteKeyTree(HKEY_CURRENT_USER, "SOFTWARE\\Telmark");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, "Zentaris");
    DeleteKeyTree(HKEY_CURRENT_USER, UninstallKey);
    for (const std::string key : {"zentaris", HandlerKey, ClassKey}) {
        DeleteKeyTree(HKEY_CURRENT_USER, Classes + key);
    }
}

// A deployment tool runs the installer silently with administrator rights
// (as SYSTEM on Windows; under Wine, which has no SYSTEM account, as the
// elevated user). Every user of the machine then has the handler, the
// scheme, the tray at logon and a game list of their own, though nothing of
// it was written to their hive, and the machine's uninstall entry.
TEST(Installer, EveryUserOfTheMachineGetsWhatADeploymentInstalled)
{
    const std::string dir = InstallDir();
    RunInstaller("/S", Rights::Elevated);
    EXPECT_TRUE(LauncherProcesses().empty()) << "a tray was started with the installer's rights";
    const std::string log = InstallLog(dir);
    EXPECT_NE(log.find("the Zentaris tray starts at the next logon"), std::string::npos) << log;
    ExpectInstalledForEveryUser(dir);
    ExpectRegisteredIn(HKEY_LOCAL_MACHINE, Classes, dir);

    RemoveTheInstallingUsersKeys();
    // Their logon: Windows runs the component's StubPath once, then the Run
    // values, as the user.
    const auto [stub, stubArguments] =
        SplitCommand(ReadString(HKEY_LOCAL_MACHINE, ActiveSetupKey, "StubPath").value_or(""));
    const uiauto::RunResult madeBranch = uiauto::RunAndAnswer(stub, stubArguments, 60000);
    ASSERT_TRUE(madeBranch.exited);
    EXPECT_EQ(madeBranch.exitCode, 0u);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Branch)) << "no branch for the user's game list";
    const auto [tray, trayArguments] = SplitCommand(ReadString(HKEY_LOCAL_MACHINE, RunKey, "Zentaris").value_or(""));
    EXPECT_TRUE(SamePath(tray, LauncherIn(dir))) << tray;
    zentaris::UniqueKernelHandle user = uiauto::UnelevatedToken();
    ASSERT_TRUE(uiauto::Process::Start(tray, trayArguments, {}, user.get()));
    EXPECT_TRUE(WaitUntil(Bound, TrayRunning)) << "the tray did not start";

    int n = 0;
    for (const UrlLayerClient& c : UrlLayerClients()) {
        SCOPED_TRACE(c.what);
        LaunchThroughTheUrlLayer(c.program, "everyuser" + std::to_string(++n));
    }
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, ApplicationRecordPath("Shell Game"), "APPNAME"), "Shell Game")
        << "the user's game list did not keep the game";
}

// The files of the one launcher named ZentarisLauncher.exe.*.old in `dir`.
std::vector<std::string> MovedAsideLaunchers(const std::string& dir)
{
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((dir + "\\ZentarisLauncher.exe.*.old").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        found.push_back(dir + "\\" + entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

// On a machine shared by several users, another user's session may run
// this installation's launcher (or have the handler loaded in a browser)
// while a deployment tool upgrades or removes it; no installer can end what
// runs in another session. Started without a link, the launcher stays in its
// message box, as such a process stays.
TEST(Installer, FilesHeldByAnotherSessionDoNotStopAnUpgradeOrARemoval)
{
    const std::string dir = InstallDir();
    std::optional<uiauto::Process> held = uiauto::Process::Start(LauncherIn(dir), "");
    ASSERT_TRUE(held);
    ASSERT_TRUE(uiauto::WaitForMessageBox(held->Id(), Bound, held->Handle())) << "the launcher does not wait";

    RunInstaller("/S", Rights::Elevated);
    EXPECT_FALSE(held->WaitExit(0)) << "the installer ended another session's launcher";
    const std::vector<std::string> aside = MovedAsideLaunchers(dir);
    ASSERT_EQ(aside.size(), 1u) << "the held launcher was not moved aside";
    const std::string log = InstallLog(dir);
    EXPECT_NE(log.find(LauncherIn(dir) + " is in use: replaced"), std::string::npos) << log;
    ExpectInstalledForEveryUser(dir);
    for (const UrlLayerClient& c : UrlLayerClients()) {
        SCOPED_TRACE(c.what);
        LaunchThroughTheUrlLayer(c.program, std::string("held-") + c.what[0]);
    }

    // Removed, every file but the held one goes now; that one at the next
    // restart.
    const uiauto::RunResult run = uiauto::RunAndAnswer(dir + "\\uninstall.exe", "/S", 60000);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(WaitUntil(60000, [&] { return !EntryNames(HKEY_LOCAL_MACHINE, dir); }));
    ExpectNoSettingsIn(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(WaitUntil(Bound, [&] { return !FileExists(dir + "\\uninstall.exe"); }));
    EXPECT_FALSE(FileExists(LauncherIn(dir)));
    EXPECT_FALSE(FileExists(dir + "\\zenproto.dll"));
    EXPECT_TRUE(FileExists(aside[0]));
    const auto pending = testsupport::KeyValues(HKEY_LOCAL_MACHINE,
                                                "SYSTEM\\CurrentControlSet\\Control\\Session Manager");
    const auto renames = pending.find("PendingFileRenameOperations");
    ASSERT_NE(renames, pending.end()) << "nothing is removed at the next restart";
    EXPECT_NE(renames->second.data.find(aside[0]), std::string::npos) << "the held launcher stays for good";

    // The other session ends; what it held is removed as a restart would.
    for (const uiauto::MessageBoxInfo& box : uiauto::FindMessageBoxes(held->Id())) uiauto::PressOk(box.window);
    ASSERT_TRUE(held->WaitExit(Bound));
    DeleteFileA(aside[0].c_str());
    RemoveDirectoryA((dir + "\\x64").c_str());
    ASSERT_TRUE(RemoveDirectoryA(dir.c_str()));
    Install();
}

TEST(Installer, UninstallRemovesItsOwnAndKeepsTheGameList)
{
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, ApplicationRecordPath("Kept Game"), "APPNAME", "Kept Game"));
    std::vector<LauncherProcess> own = LauncherProcesses();
    ASSERT_EQ(own.size(), 1u);
    // The tray of another folder's launcher (another installation, or a
    // program that took the class name) is not the uninstaller's to end.
    const std::string otherDir = Environment("TEMP") + "\\Other Zentaris";
    CreateDirectoryA(otherDir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((InstallDir() + "\\ZentarisLauncher.exe").c_str(),
                          (otherDir + "\\ZentarisLauncher.exe").c_str(), FALSE));
    std::optional<uiauto::Process> other =
        uiauto::Process::Start(otherDir + "\\ZentarisLauncher.exe", "--autostart");
    ASSERT_TRUE(other);
    ASSERT_TRUE(WaitUntil(Bound, [&] { return TrayWindowOf(other->Id()) != nullptr; })) << "no other tray";
    // A user who left the tray menu open: the tray must still end, or its
    // files stay behind.
    PostMessageA(TrayWindowOf(own[0].id), WM_USER + 1, 1, WM_RBUTTONUP);
    ASSERT_TRUE(WaitUntil(Bound, [] { return FindWindowA("#32768", nullptr) != nullptr; })) << "no tray menu";
    Uninstall();

    EXPECT_EQ(WaitForSingleObject(own[0].handle.get(), 0), WAIT_OBJECT_0) << "the tray was not ended";
    EXPECT_FALSE(other->WaitExit(0)) << "the other folder's tray was ended";
    EXPECT_NE(TrayWindowOf(other->Id()), nullptr);
    PostMessageA(TrayWindowOf(other->Id()), WM_COMMAND, TrayExitCommand, 0);
    EXPECT_TRUE(other->WaitExit(Bound)) << "the other tray did not end";
    EXPECT_FALSE(TrayRunning());
    EXPECT_FALSE(FileExists(InstallDir()));
    ExpectNoSettingsIn(HKEY_LOCAL_MACHINE);
    ExpectNoSettingsIn(HKEY_CURRENT_USER);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "zentaris"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "PROTOCOLS\\Handler\\zentaris"));
#ifndef _WIN64
    EXPECT_FALSE(KeyExistsIn64BitView(ClassKey));
    EXPECT_FALSE(KeyExistsIn64BitView(HandlerKey));
#endif
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "PROTOCOLS\\Handler\\othersheme"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, ApplicationRecordPath("Kept Game"), "APPNAME"), "Kept Game");
}

TEST(Installer, UninstallAskedToRemoveDataRemovesTheGameList)
{
    Install();
    Uninstall("/S /REMOVEDATA");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Branch));
}

TEST(Installer, AnotherProgramsSchemeRegistrationIsLeftAlone)
{
    const std::string foreign = "\"C:\\Other\\other.exe\" \"%1\"";
    ASSERT_TRUE(WriteString(HKEY_CLASSES_ROOT, SchemeCommand, "", foreign));
    Install();
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, SchemeCommand, ""), foreign);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "PROTOCOLS\\Handler\\zentaris", "CLSID"),
              "{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}");
    Uninstall();
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, SchemeCommand, ""), foreign);
}

// Every user's browser loads a handler registered in the machine's classes;
// its DLL must then lie where only administrators write.
TEST(Installer, FolderAndSwitchDecideWhoseClassesAreWritten)
{
    // What the foreign-scheme test left behind: a machine with no scheme.
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "zentaris");
    const std::string temp = Environment("TEMP");
    struct Case {
        std::string options;
        std::string dir;  // as Windows resolves it
        bool forEveryUser;
    };
    const Case cases[] = {
        {"/S /CurrentUser", UserInstallDir(), false},
        {"/S /D=" + temp + "\\Zentaris Here", temp + "\\Zentaris Here", false},
        {"/S /D=C:\\Program Files\\..\\Zentaris Dots", "C:\\Zentaris Dots", false},
        {"/S /D=C:\\Program Files Elsewhere\\Zentaris", "C:\\Program Files Elsewhere\\Zentaris", false},
        {"/S /D=C:\\PROGRAM FILES\\Zentaris Games", "C:\\PROGRAM FILES\\Zentaris Games", true},
        // The uninstaller, with the rights an installation for every user
        // there would have, still removes the user's own.
        {"/S /CurrentUser /D=C:\\Program Files\\Zentaris Mine", "C:\\Program Files\\Zentaris Mine", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        Install(c.options);
        EXPECT_TRUE(FileExists(LauncherIn(c.dir)));
        EXPECT_TRUE(FileExists(c.dir + "\\zenproto.dll"));
        if (c.forEveryUser) {
            ExpectInstalledForEveryUser(c.dir);
        } else {
            ExpectInstalledForTheUser(c.dir);
        }
        ExpectRegisteredIn(c.forEveryUser ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, Classes, c.dir);
        ExpectNothingIn(c.forEveryUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, Classes);
        EXPECT_TRUE(WaitUntil(Bound, TrayRunning)) << "the tray was not started";

        Uninstall("/S", c.dir);
        EXPECT_FALSE(TrayRunning());
        ExpectNoSettingsIn(HKEY_LOCAL_MACHINE);
        ExpectNoSettingsIn(HKEY_CURRENT_USER);
        ExpectNothingIn(HKEY_CURRENT_USER, Classes);
        ExpectNothingIn(HKEY_LOCAL_MACHINE, Classes);
    }
}

// The user's own classes as Windows shows them to the user's programs:
// merged into HKEY_CLASSES_ROOT, over the machine's. Wine does not merge
// them, so while it lives this copies the user's registration of the
// handler and the scheme there, as Windows would show it, and then takes the
// copies away.
class UsersClassesShownAsWindowsDoes {
public:
    UsersClassesShownAsWindowsDoes()
    {
        for (const std::string& key : keys_) {
            zentaris::UniqueRegKey from = testsupport::OpenKey(HKEY_CURRENT_USER, Classes + key);
            zentaris::UniqueRegKey to;
            copied_ = copied_ && from &&
                      RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, to.put(),
                                      nullptr) == ERROR_SUCCESS &&
                      RegCopyTreeA(from.get(), nullptr, to.get()) == ERROR_SUCCESS;
        }
    }
    ~UsersClassesShownAsWindowsDoes()
    {
        for (const std::string& key : keys_) DeleteKeyTree(HKEY_CLASSES_ROOT, key);
    }
    UsersClassesShownAsWindowsDoes(const UsersClassesShownAsWindowsDoes&) = delete;
    UsersClassesShownAsWindowsDoes& operator=(const UsersClassesShownAsWindowsDoes&) = delete;
    bool Copied() const { return copied_; }

private:
    const std::vector<std::string> keys_{"zentaris", HandlerKey, ClassKey};
    bool copied_ = true;
};

// An installation for the user alone beside one for every user, made in
// either order: the user's own serves that user (their LauncherPath comes
// first), the machine's serves everybody else, and removing either leaves
// the other whole and working for the user.
TEST(Installer, InstallationsForTheUserAndForEveryUserLiveSideBySide)
{
    const std::string machine = InstallDir();
    const std::string user = UserInstallDir();
    const std::string client = UrlLayerClients().front().program;
    const struct {
        const char* what;
        bool machineFirst;
        bool machineRemoved;
    } cases[] = {
        {"for every user first, then the user's own removed", true, false},
        {"for every user first, then the machine's removed", true, true},
        {"for the user first, then the user's own removed", false, false},
        {"for the user first, then the machine's removed", false, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.machineFirst) {
            Install("/S");
            // Not into the folder of the other kind: each uninstaller would
            // take the other's files. Refused before anything is written.
            RunInstaller("/S /CurrentUser /D=" + machine, Rights::User, 2);
            ExpectNoSettingsIn(HKEY_CURRENT_USER);
            ExpectInstalledForEveryUser(machine);
            Install("/S /CurrentUser");
        } else {
            Install("/S /CurrentUser");
            Install("/S");
        }
        ExpectInstalledForEveryUser(machine);
        ExpectInstalledForTheUser(user);
        ExpectRegisteredIn(HKEY_LOCAL_MACHINE, Classes, machine);
        ExpectRegisteredIn(HKEY_CURRENT_USER, Classes, user);
        LaunchThroughTheUrlLayer(client, "side" + std::to_string(++n));

        Uninstall("/S", c.machineRemoved ? machine : user);
        if (c.machineRemoved) {
            ExpectNoSettingsIn(HKEY_LOCAL_MACHINE);
            ExpectNothingIn(HKEY_LOCAL_MACHINE, Classes);
            ExpectInstalledForTheUser(user);
            ExpectRegisteredIn(HKEY_CURRENT_USER, Classes, user);
            {
                UsersClassesShownAsWindowsDoes shown;
                ASSERT_TRUE(shown.Copied());
                LaunchThroughTheUrlLayer(client, "side" + std::to_string(++n));
            }
            Uninstall("/S", user);
        } else {
            ExpectNoSettingsIn(HKEY_CURRENT_USER);
            ExpectNothingIn(HKEY_CURRENT_USER, Classes);
            ExpectInstalledForEveryUser(machine);
            ExpectRegisteredIn(HKEY_LOCAL_MACHINE, Classes, machine);
            LaunchThroughTheUrlLayer(client, "side" + std::to_string(++n));
            Uninstall("/S", machine);
        }
        ExpectNoSettingsIn(HKEY_LOCAL_MACHINE);
        ExpectNoSettingsIn(HKEY_CURRENT_USER);
        ExpectNothingIn(HKEY_LOCAL_MACHINE, Classes);
        ExpectNothingIn(HKEY_CURRENT_USER, Classes);
        EXPECT_FALSE(TrayRunning());
    }
}

}  // namespace
