// The real ZentarisLauncher.exe in tray mode, on a Wine desktop with a
// taskbar and a notification area: its window, its icon, its menu picked by
// keyboard, the effects of the picks, the icon brought back by a new
// taskbar, and its exit by a typed letter. A screenshot of the
// open menu is kept in the build folder (screenshots/tray-menu.png);
// copy_screenshot.py puts it, recompressed, into docs/screenshots.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "shared_names.h"
#include "portal_client.h"
#include "test_registry.h"
#include "tray_harness.h"
#include "tray_menu_entries.h"
#include "uiauto.h"
#include "url_record.h"

using traytest::Sz;

namespace {

constexpr char DesktopName[] = "shell";
const std::string Site = "http://127.0.0.1:9/";

// Moves this thread onto the desktop "shell", which Wine shows as a virtual
// desktop with a taskbar; programs started with it as their desktop join it.
bool JoinShellDesktop()
{
    if (!testsupport::WriteString(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", DesktopName, "1280x1024")) {
        return false;
    }
    HDESK desktop = CreateDesktopA(DesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    return desktop && SetThreadDesktop(desktop);
}

struct Launcher {
    zentaris::UniqueProcessInformation info;
    HWND window = nullptr;
    ~Launcher()
    {
        if (info.process && WaitForSingleObject(info.process.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(info.process.get(), 99);
        }
    }
};

bool StartLauncher(Launcher& launcher)
{
    std::string commandLine = "\"" + uiauto::BesideTestProgram("ZentarisLauncher.exe") + "\" --autostart";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = const_cast<char*>(DesktopName);
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return false;
    }
    launcher.info.Take(started);
    return traytest::WaitUntil(60000, [&] {
        launcher.window = FindWindowA(zentaris::TrayWindowClass, "Zentaris MsgWindow");
        return launcher.window != nullptr;
    });
}

// Whether the process has a module of that file name loaded; nothing when its
// modules cannot be listed.
std::optional<bool> HasModule(DWORD processId, const char* fileName)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
    const zentaris::UniqueKernelHandle owned(snapshot);
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module)) {
        if (lstrcmpiA(module.szModule, fileName) == 0) return true;
    }
    return false;
}

HWND OpenMenu(const Launcher& launcher, UINT mouse)
{
    // A menu closed just before may still be on the screen: it is not the new one.
    traytest::WaitUntil(30000, [&] { return traytest::MenuWindows(launcher.info.processId).empty(); });
    PostMessageA(launcher.window, WM_USER + 1, 1, mouse);
    HWND menu = nullptr;
    traytest::WaitUntil(30000, [&] {
        const std::vector<HWND> menus = traytest::MenuWindows(launcher.info.processId);
        if (!menus.empty()) menu = menus.front();
        return menu != nullptr;
    });
    return menu;
}

// The pointer moves through the X server; wait until Windows sees it there.
bool MovePointer(int x, int y)
{
    SetCursorPos(x, y);
    return traytest::WaitUntil(15000, [&] {
        POINT at{};
        return GetCursorPos(&at) && at.x == x && at.y == y;
    });
}

bool Pick(const Launcher& launcher, int downs, int sub = -1)
{
    HWND menu = OpenMenu(launcher, WM_LBUTTONUP);
    return menu && traytest::PickByKeys(menu, downs, sub, launcher.info.processId);
}

// Height of the submenu under the `downs`-th entry of the menu, 0 when none
// opened. Items are measured from their text, so two submenus of two
// one-line items are equally tall.
int SubmenuHeight(const Launcher& launcher, int downs)
{
    HWND menu = OpenMenu(launcher, WM_RBUTTONUP);
    if (!menu) return 0;
    for (int i = 0; i < downs; ++i) traytest::PostKey(menu, VK_DOWN);
    traytest::PostKey(menu, VK_RIGHT);
    RECT placed{};
    traytest::WaitUntil(10000, [&] {
        for (HWND window : traytest::MenuWindows(launcher.info.processId)) {
            if (window != menu && GetWindowRect(window, &placed)) return true;
        }
        return false;
    });
    traytest::CloseMenu(menu);
    return placed.bottom - placed.top;
}

std::string ScreenshotPath()
{
    const char* build = std::getenv("ZEN_BINARY_DIR");
    if (!build) return {};
    // The build folder is a Linux path; Wine shows the root as drive Z:.
    std::string folder = std::string("Z:") + build + "/screenshots";
    std::replace(folder.begin(), folder.end(), '/', '\\');
    CreateDirectoryA(folder.c_str(), nullptr);
    const UINT dpi = uiauto::PrefixDpi();
    return folder + (dpi == 96 ? "\\tray-menu.png" : "\\tray-menu-" + std::to_string(dpi * 100 / 96) + ".png");
}

TEST(TrayProgram, RunsInTheNotificationAreaUntilSalir)
{
    ASSERT_TRUE(JoinShellDesktop());
    ASSERT_TRUE(portal::Reset());
    ASSERT_TRUE(portal::Serve("/launcher/news.dib", 404, ""));
    ASSERT_TRUE(portal::Serve("/images/uinstapp.dat", 200,
                              "Star Kart client;" + Site + "starkart-setup.exe;\nMoon Base client;" + Site + "moonbase-setup.exe;\n"));
    ASSERT_TRUE(traytest::DeleteBranch());
    ASSERT_TRUE(traytest::CreateBranch());
    const std::string dir = traytest::NewFolder("Star Kart");
    const std::string game = traytest::CopyProgram("testgame.exe", dir, "starkart.exe");
    ASSERT_TRUE(traytest::WriteRecord("Star Kart", {Sz("APPNAME", "Star Kart"), Sz("APP", "\"" + game), Sz("APATH", dir),
                                                    Sz("WEBLINK", Site + "games/starkart/")}));
    ASSERT_TRUE(traytest::WriteRecord("Zentaris Chess", {Sz("APPNAME", "Zentaris Chess"),
                                                         Sz("APP", "\"" + uiauto::BesideTestProgram("ZentarisLauncher.exe")),
                                                         Sz("APATH", dir), Sz("WEBLINK", Site + "games/chess/"),
                                                         Sz("NOLAUNCH", "")}));
    const std::string record = urlrecord::NewRecordFile();
    ASSERT_TRUE(urlrecord::InstallUrlRecorder(record));
    const std::string gameLog = traytest::NewFolder("tray-program") + "\\started.log";
    DeleteFileA(gameLog.c_str());
    SetEnvironmentVariableA("ZEN_TESTGAME_LOG", gameLog.c_str());

    Launcher launcher;
    ASSERT_TRUE(StartLauncher(launcher));
    EXPECT_NE(FindWindowA("Shell_TrayWnd", nullptr), nullptr) << "no taskbar on this desktop";
    EXPECT_FALSE(IsWindowVisible(launcher.window));
    // Its manifest makes it DPI-aware: its window has the prefix's scale,
    // where a program Windows scales for itself would read 96.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    const auto dpiOf = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    ASSERT_NE(dpiOf, nullptr);
    EXPECT_EQ(dpiOf(launcher.window), uiauto::PrefixDpi());
    // Bounds are generous: they cost nothing when the condition comes, and a
    // 32-bit tray on a loaded machine is slow to start.
    ASSERT_TRUE(traytest::WaitUntil(60000, [&] { return traytest::IconPresent(launcher.window); }));
    ASSERT_TRUE(traytest::WaitUntil(60000, [] { return portal::RequestLog().find("uinstapp.dat") != std::string::npos; }));
    // The menu opens at the pointer: with its corner there where it fits,
    // moved onto the screen above the taskbar near the notification area.
    ASSERT_TRUE(MovePointer(200, 150));
    HWND menu = OpenMenu(launcher, WM_LBUTTONUP);
    ASSERT_NE(menu, nullptr);
    RECT placed{};
    GetWindowRect(menu, &placed);
    EXPECT_EQ(placed.left, 200);
    EXPECT_EQ(placed.top, 150);
    traytest::CloseMenu(menu);
    ASSERT_TRUE(MovePointer(1150, 1000));
    // The two-line list is read once the downloads submenu is as tall as the
    // features submenu with its two records.
    ASSERT_TRUE(traytest::WaitUntil(60000, [&] {
        const int downloads = SubmenuHeight(launcher, 1);
        return downloads > 0 && downloads == SubmenuHeight(launcher, 2);
    }));
    // With the list, the news and the update manifest asked for, no worker
    // reads URLs any more: libcurl's state and the security provider it
    // loaded (Schannel's, with its TLS and Kerberos libraries) are gone.
    ASSERT_TRUE(traytest::WaitUntil(60000, [] { return portal::RequestLog().find("update.txt") != std::string::npos; }));
    EXPECT_TRUE(traytest::WaitUntil(60000, [&] {
        return HasModule(launcher.info.processId, "secur32.dll") == std::optional<bool>(false);
    }));
    // The news command reads the portal again, with libcurl started anew.
    const auto newsRequests = [] {
        const std::string log = portal::RequestLog();
        size_t count = 0;
        for (size_t at = log.find("news.dib"); at != std::string::npos; at = log.find("news.dib", at + 1)) ++count;
        return count;
    };
    const size_t newsBefore = newsRequests();
    PostMessageA(launcher.window, WM_COMMAND, IDM_NEWS, 0);
    EXPECT_TRUE(traytest::WaitUntil(60000, [&] { return newsRequests() > newsBefore; }));
    menu = OpenMenu(launcher, WM_RBUTTONUP);
    ASSERT_NE(menu, nullptr);
    GetWindowRect(menu, &placed);
    // Beside the pointer, lifted no further than the taskbar (taller at a
    // larger scale) asks.
    EXPECT_TRUE(placed.left <= 1150 && 1150 < placed.right);
    EXPECT_LE(placed.bottom, 1024);
    EXPECT_GE(placed.bottom, 1000 - uiauto::ScaledForPrefix(30));
    for (UINT key : {VK_DOWN, VK_DOWN, VK_RIGHT}) traytest::PostKey(menu, key);
    std::vector<HWND> popups;
    ASSERT_TRUE(traytest::WaitUntil(10000, [&] {
        popups = traytest::MenuWindows(launcher.info.processId);
        return popups.size() == 2;
    }));
    // Painted before the picture: the paint is sent to the menus' thread.
    for (HWND popup : popups) RedrawWindow(popup, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const std::string shot = ScreenshotPath();
    if (!shot.empty()) {
        // The bottom right corner, where the menu opened, larger at a larger scale.
        const RECT corner{1280 - uiauto::ScaledForPrefix(400), 1024 - uiauto::ScaledForPrefix(154), 1280, 1024};
        EXPECT_TRUE(traytest::SaveScreenPng(shot, corner)) << shot;
    }
    traytest::CloseMenu(menu);
    ASSERT_TRUE(traytest::MenuWindows(launcher.info.processId).empty());

    // Downloads (first entry, second item), features (second entry, second
    // item: the chess record, listed there despite its NOLAUNCH), games
    // (third entry, first item).
    ASSERT_TRUE(Pick(launcher, 1, 1));
    ASSERT_TRUE(Pick(launcher, 2, 1));
    ASSERT_TRUE(Pick(launcher, 3, 0));
    std::vector<std::string> urls = urlrecord::WaitForRecordedUrls(record, 2, 60000);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{Site + "games/chess/", Site + "moonbase-setup.exe"}));
    const std::vector<std::string> starts = traytest::WaitForGameStarts(gameLog, 1, 60000);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], dir + "|\"" + game);

    // Explorer started anew: the icon it lost comes back with its taskbar.
    ASSERT_TRUE(traytest::RemoveIcon(launcher.window));
    ASSERT_FALSE(traytest::IconPresent(launcher.window));
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(traytest::WaitUntil(60000, [&] { return traytest::IconPresent(launcher.window); }));

    // "Salir", picked by its first letter.
    menu = OpenMenu(launcher, WM_RBUTTONUP);
    ASSERT_NE(menu, nullptr);
    PostMessageA(menu, WM_CHAR, 's', 1);
    ASSERT_EQ(WaitForSingleObject(launcher.info.process.get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(launcher.info.process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(traytest::IconPresent(launcher.window));
}

}  // namespace
