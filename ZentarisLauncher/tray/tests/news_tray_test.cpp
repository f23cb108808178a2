// The real ZentarisLauncher.exe in tray mode, in a Wine virtual desktop with
// a taskbar: the news popup over the taskbar, the owner-drawn menu with an
// item selected, and two popups from two "Mostrar Noticias nuevamente".
// Screenshots land in <build>/screenshots for the README.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "news_screen.h"
#include "news_test_image.h"
#include "portal_client.h"
#include "uiauto.h"

namespace {

constexpr char DesktopName[] = "shell";
constexpr UINT TrayCallback = WM_USER + 1;

std::string ScreenshotPath(const char* name)
{
    const char* binary = std::getenv("ZEN_BINARY_DIR");
    const std::string folder = newstest::WinePath(std::string(binary ? binary : "/tmp") + "/screenshots");
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\" + name;
}

struct Found {
    DWORD pid;
    const char* cls;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM state)
{
    auto* found = reinterpret_cast<Found*>(state);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if ((found->pid == 0 || pid == found->pid) && lstrcmpA(cls, found->cls) == 0 && IsWindowVisible(window))
        found->windows.push_back(window);
    return TRUE;
}

// Visible top-level windows of a class (of one process, or of any with pid 0)
// on this thread's desktop.
std::vector<HWND> WindowsOf(DWORD pid, const char* cls)
{
    Found found{pid, cls, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

std::vector<HWND> WaitForWindows(DWORD pid, const char* cls, size_t count, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    std::vector<HWND> windows;
    do {
        windows = WindowsOf(pid, cls);
        if (windows.size() >= count) break;
        Sleep(50);
    } while (GetTickCount64() < end);
    return windows;
}

// The launcher started by explorer into a virtual desktop named "shell",
// which has a taskbar with a notification area.
class TrayOnShellDesktop {
public:
    bool Start()
    {
        const std::string command = "C:\\windows\\explorer.exe /desktop=" + std::string(DesktopName) +
                                    ",1024x768 \"" + uiauto::BesideTestProgram("ZentarisLauncher.exe") +
                                    "\" --autostart";
        auto started = uiauto::Process::Start("C:\\windows\\explorer.exe", command.substr(command.find(' ') + 1));
        if (!started) return false;
        explorer_ = std::move(*started);
        return true;
    }

    // Attaches the calling thread (which must own no window) to the desktop.
    static bool Join()
    {
        for (int i = 0; i < 100; ++i) {
            if (HDESK desk = OpenDesktopA(DesktopName, 0, FALSE, GENERIC_ALL)) return SetThreadDesktop(desk) != FALSE;
            Sleep(100);
        }
        return false;
    }

private:
    uiauto::Process explorer_;
};

// Runs `body` on a fresh thread attached to the virtual desktop.
template <class Body>
void OnShellDesktop(Body body)
{
    std::thread worker([&] {
        ASSERT_TRUE(TrayOnShellDesktop::Join());
        body();
    });
    worker.join();
}

bool PictureShown(HWND popup)
{
    RECT r{};
    GetWindowRect(popup, &r);
    for (POINT p : {POINT{0, 78}, POINT{100, 40}, POINT{200, 5}, POINT{3, 3}}) {
        const newstest::Rgb want = newstest::PatternColour(p.x, p.y);
        const uint32_t expected = uint32_t(want.r) << 16 | uint32_t(want.g) << 8 | want.b;
        if (newstest::ScreenPixel(r.left + 10 + p.x, r.top + 10 + p.y) != expected) return false;
    }
    return true;
}

bool WaitForPicture(HWND popup)
{
    for (int i = 0; i < 60; ++i) {
        if (PictureShown(popup)) return true;
        Sleep(50);
    }
    return false;
}

// Opens the tray menu as a click on the icon does, at a fixed cursor place.
bool OpenMenu(HWND message)
{
    SetCursorPos(600, 500);
    PostMessageA(message, TrayCallback, 1, WM_RBUTTONUP);
    DWORD pid = 0;
    GetWindowThreadProcessId(message, &pid);
    return WaitForWindows(pid, "#32768", 1, 5000).size() == 1;
}

struct Pixel {
    int r, g, b;
};

Pixel At(int x, int y)
{
    const uint32_t p = newstest::ScreenPixel(x, y);
    return Pixel{int(p >> 16), int((p >> 8) & 0xFF), int(p & 0xFF)};
}

// Rows of the menu that are black across the item (the selected item),
// with some white text pixels among them.
bool SelectionBand(HWND menu)
{
    RECT r{};
    GetWindowRect(menu, &r);
    int blackRows = 0;
    int white = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        int black = 0;
        int samples = 0;
        for (int x = r.left + 30; x < r.right - 30; x += 4, ++samples) {
            const Pixel p = At(x, y);
            if (p.r == 0 && p.g == 0 && p.b == 0) ++black;
            if (p.r == 255 && p.g == 255 && p.b == 255) ++white;
        }
        if (black * 10 >= samples * 6) ++blackRows;
    }
    return blackRows >= 10 && white > 0;
}

bool WaitForSelectionBand(HWND menu)
{
    for (int i = 0; i < 40; ++i) {
        if (SelectionBand(menu)) return true;
        Sleep(50);
    }
    return false;
}

// Rows that start in the gradient's blue and end near white.
int GradientRows(HWND menu)
{
    RECT r{};
    GetWindowRect(menu, &r);
    int rows = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        bool blue = false;
        for (int x = r.left; x < r.left + 6 && !blue; ++x) {
            const Pixel p = At(x, y);
            blue = std::abs(p.r - 33) <= 6 && std::abs(p.g - 132) <= 6 && std::abs(p.b - 231) <= 6;
        }
        const Pixel end = At(r.right - 6, y);
        if (blue && end.r > 235 && end.g > 235 && end.b > 235) ++rows;
    }
    return rows;
}

TEST(NewsTray, PopupOverTheTaskbarMenuSelectionAndTwoPopupsFromTwoCommands)
{
    ASSERT_TRUE(portal::Reset());
    ASSERT_TRUE(portal::Serve("/launcher/news.dib", 200, newstest::BuildDib({})));
    ASSERT_TRUE(portal::Serve("/images/uinstapp.dat", 200, "Space Kart;http://127.0.0.1/kart.exe\n"));

    TrayOnShellDesktop tray;
    ASSERT_TRUE(tray.Start());
    OnShellDesktop([&] {
        HWND message = nullptr;
        for (int i = 0; i < 200 && !message; ++i, Sleep(50))
            message = FindWindowA("ZentarisLauncherApplication", "Zentaris MsgWindow");
        ASSERT_NE(message, nullptr);
        EXPECT_FALSE(IsWindowVisible(message));
        DWORD pid = 0;
        GetWindowThreadProcessId(message, &pid);
        HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
        ASSERT_NE(taskbar, nullptr) << "no taskbar on the virtual desktop";

        // The popup shown at start, above the taskbar.
        std::vector<HWND> popups = WaitForWindows(pid, "#32770", 1, 15000);
        ASSERT_EQ(popups.size(), 1u);
        EXPECT_TRUE(WaitForPicture(popups[0]));
        RECT screen{};
        GetWindowRect(GetDesktopWindow(), &screen);
        EXPECT_TRUE(newstest::SaveScreenPng(screen, ScreenshotPath("news-popup.png")));
        PostMessageA(popups[0], WM_COMMAND, IDCANCEL, 0);

        // The menu at the cursor; the keyboard selects its fourth item.
        ASSERT_TRUE(OpenMenu(message));
        for (int i = 0; i < 4; ++i) newstest::PressKey(VK_DOWN);
        HWND menu = WindowsOf(pid, "#32768").front();
        EXPECT_TRUE(WaitForSelectionBand(menu)) << "no black band with white text in the menu";
        EXPECT_GT(GradientRows(menu), 20) << "unselected items show no blue-to-white gradient";
        EXPECT_TRUE(newstest::SaveScreenPng(screen, ScreenshotPath("menu-selected.png")));

        // "Mostrar Noticias nuevamente" twice: two popups at once.
        newstest::PressKey(VK_RETURN);
        ASSERT_EQ(WaitForWindows(pid, "#32770", 1, 10000).size(), 1u);
        ASSERT_TRUE(OpenMenu(message));
        for (int i = 0; i < 4; ++i) newstest::PressKey(VK_DOWN);
        newstest::PressKey(VK_RETURN);
        popups = WaitForWindows(pid, "#32770", 2, 10000);
        ASSERT_EQ(popups.size(), 2u);
        for (HWND popup : popups) EXPECT_TRUE(WaitForPicture(popup));

        // "Salir" (the last item) ends the program with its popups.
        ASSERT_TRUE(OpenMenu(message));
        newstest::PressKey(VK_UP);
        newstest::PressKey(VK_RETURN);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        ASSERT_NE(process, nullptr);
        EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(process);
    });
}

}  // namespace
