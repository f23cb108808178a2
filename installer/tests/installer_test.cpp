// The real installer and uninstaller, silent, in this test's own prefix.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "application_record.h"
#include "portal_client.h"
#include "signed_link.h"
#include "test_registry.h"
#include "uiauto.h"
#include "version.h"

namespace {

using testsupport::KeyExists;
using testsupport::ReadString;
using testsupport::WriteString;
using uiauto::WaitUntil;

const char Branch[] = "SOFTWARE\\Telmark\\Zentaris";
const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zentaris";
const char ClassKey[] = "CLSID\\{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}";
const char SchemeCommand[] = "zentaris\\shell\\open\\command";
const char HandlerKey[] = "PROTOCOLS\\Handler\\zentaris";
const char ClassId[] = "{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}";
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

const char TrayClass[] = "ZentarisLauncherApplication";
constexpr WPARAM TrayExitCommand = 1000;  // the tray menu's "Salir"

bool TrayRunning() { return FindWindowA(TrayClass, nullptr) != nullptr; }

// The tray window of one process; null when it has none (yet).
HWND TrayWindowOf(DWORD processId)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, TrayClass, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// A running ZentarisLauncher.exe: which file it runs, whether with an
// elevated token, and a handle that keeps its id from being reused.
struct LauncherProcess {
    DWORD id = 0;
    std::string image;
    std::optional<bool> elevated;
    zentaris::UniqueKernelHandle handle;
};

// Every process of this session that runs a file named ZentarisLauncher.exe,
// from any folder. A process exists as soon as CreateProcess returns, before
// it has a window: what an installer started is here when it has ended.
std::vector<LauncherProcess> LauncherProcesses()
{
    std::vector<DWORD> ids(4096);
    DWORD bytes = 0;
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return {};
    ids.resize(bytes / sizeof(DWORD));
    std::vector<LauncherProcess> launchers;
    for (const DWORD id : ids) {
        LauncherProcess p;
        p.id = id;
        p.handle.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id));
        if (!p.handle) continue;
        char image[MAX_PATH * 2] = {};
        DWORD length = sizeof image;
        if (!QueryFullProcessImageNameA(p.handle.get(), 0, image, &length)) continue;
        p.image.assign(image, length);
        const size_t name = p.image.find_last_of('\\');
        if (!SamePath(p.image.substr(name + 1), "ZentarisLauncher.exe")) continue;
        if (WaitForSingleObject(p.handle.get(), 0) == WAIT_OBJECT_0) continue;  // ended, not yet reaped
        p.elevated = uiauto::RunsElevated(p.handle.get());
        launchers.push_back(std::move(p));
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

void RunInstaller(const std::string& options, Rights rights)
{
    zentaris::UniqueKernelHandle token;
    if (rights == Rights::User) {
        token = uiauto::UnelevatedToken();
        ASSERT_TRUE(token) << "no unelevated token to run the installer as the user";
    }
    const uiauto::RunResult run =
        uiauto::RunAndAnswer(uiauto::BesideTestProgram(Setup), options, 60000, {}, token.get());
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(run.boxes.empty()) << run.boxes.front().text;
}

void Install(const std::string& options = "/S")
{
    RunInstaller(options, Rights::User);
    // The installer starts the tray and does not wait for it: until its
    // window is there, an uninstaller cannot ask it to end, and its program
    // file stays in use.
    ASSERT_TRUE(WaitUntil(Bound, TrayRunning)) << "the installer did not start the tray";
}

// The uninstaller hands itself to a copy in the temporary folder and returns
// at once; it is done when its registration is gone.
void Uninstall(const std::string& options = "/S", const std::string& dir = InstallDir())
{
    const std::string uninstaller = dir + "\\uninstall.exe";
    ASSERT_TRUE(FileExists(uninstaller));
    const uiauto::RunResult run = uiauto::RunAndAnswer(uninstaller, options, 60000);
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.exitCode, 0u);
    ASSERT_TRUE(WaitUntil(60000, [] { return !KeyExists(HKEY_CURRENT_USER, UninstallKey); }));
    ASSERT_TRUE(WaitUntil(Bound, [&] { return !FileExists(dir); }));
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
    Install();

    const std::string dir = InstallDir();
    const std::string launcher = dir + "\\ZentarisLauncher.exe";
    EXPECT_TRUE(FileExists(launcher));
    EXPECT_TRUE(FileExists(dir + "\\zenproto.dll"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Branch, "LauncherPath"), launcher);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, RunKey, "Zentaris"), "\"" + launcher + "\" --autostart");
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
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UninstallKey, "DisplayName"), std::string(ZEN_DISPLAY_NAME));
}

// The tray runs with the rights of whoever starts it, and so does every game
// and page it opens. Over a running installation the installer ends the tray
// to replace its files; run as the user it starts the new one, run with
// administrator rights in force it starts none and leaves that to the Run
// key at the next logon.
TEST(Installer, ReinstallStartsTheTrayOnlyWithoutAdministratorRights)
{
    const std::string launcher = InstallDir() + "\\ZentarisLauncher.exe";
    const struct {
        const char* who;
        Rights rights;
        bool startsTray;
    } cases[] = {{"as the user", Rights::User, true}, {"with administrator rights", Rights::Elevated, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.who);
        std::vector<LauncherProcess> before = LauncherProcesses();
        ASSERT_EQ(before.size(), 1u) << "the tray of the installation";
        RunInstaller("/S", c.rights);
        EXPECT_TRUE(FileExists(launcher));
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, RunKey, "Zentaris"), "\"" + launcher + "\" --autostart");

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
    zentaris::UniqueKernelHandle user = uiauto::UnelevatedToken();
    ASSERT_TRUE(uiauto::Process::Start(launcher, "--autostart", {}, user.get()));
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

    const std::string log = std::string(ShellGameFolder) + "\\played.log";
    const std::string fields = "Shell Game;HKCU\\Software\\Shell Game;Dir;game.exe;http://127.0.0.1/;";
    const struct {
        const char* what;
        std::string client;
    } clients[] = {{"32-bit client", uiauto::BesideTestProgram("zen_urlbind.exe")},
                   {"64-bit client", Win64Program("zen_urlbind.exe")}};
    int n = 0;
    for (const auto& c : clients) {
        SCOPED_TRACE(c.what);
        const std::string image = Environment("TEMP") + "\\instcheck-" + std::to_string(n) + ".gif";
        auto check = uiauto::Process::Start(c.client, "zentaris://instcheck/1000 \"" + image + "\"");
        ASSERT_TRUE(check);
        EXPECT_EQ(check->WaitExit(60000), std::optional<DWORD>(0));
        WIN32_FILE_ATTRIBUTE_DATA attributes{};
        ASSERT_TRUE(GetFileAttributesExA(image.c_str(), GetFileExInfoStandard, &attributes));
        EXPECT_EQ(attributes.nFileSizeLow, 43u) << "the install-check image";

        const size_t before = LogLines(log).size();
        const std::string id = "bind" + std::to_string(++n);
        ASSERT_TRUE(portal::Serve("/launcher/" + id + "/", 200, "1\n"));
        auto launch = uiauto::Process::Start(c.client, signedlink::LaunchUrl(fields + id));
        ASSERT_TRUE(launch);
        EXPECT_EQ(launch->WaitExit(60000), std::optional<DWORD>(0));
        EXPECT_TRUE(WaitUntil(Bound, [&] { return LogLines(log).size() == before + 1; })) << "the game did not run";
    }
}
#endif

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
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Branch, "LauncherPath"), std::nullopt);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, RunKey, "Zentaris"), std::nullopt);
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        Install(c.options);
        const std::string launcher = c.dir + "\\ZentarisLauncher.exe";
        EXPECT_TRUE(FileExists(launcher));
        EXPECT_TRUE(FileExists(c.dir + "\\zenproto.dll"));
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Branch, "LauncherPath"), launcher);
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, RunKey, "Zentaris"), "\"" + launcher + "\" --autostart");
        ExpectRegisteredIn(c.forEveryUser ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, Classes, c.dir);
        ExpectNothingIn(c.forEveryUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, Classes);
        EXPECT_TRUE(WaitUntil(Bound, TrayRunning)) << "the tray was not started";

        Uninstall("/S", c.dir);
        EXPECT_FALSE(TrayRunning());
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, Branch, "LauncherPath"), std::nullopt);
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, RunKey, "Zentaris"), std::nullopt);
        ExpectNothingIn(HKEY_CURRENT_USER, Classes);
        ExpectNothingIn(HKEY_LOCAL_MACHINE, Classes);
    }
}

}  // namespace
