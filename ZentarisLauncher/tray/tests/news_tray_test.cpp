// The real ZentarisLauncher.exe in tray mode on a Wine virtual desktop with
// a taskbar: the popup over the taskbar, the owner-drawn menu with an item
// selected, two popups from two "Mostrar Noticias nuevamente", and "Salir".
// The screenshots land in <build>/screenshots (news_png_pack.py makes the
// README's PNGs of them).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "shared_names.h"
#include "news_screen.h"
#include "news_test_image.h"
#include "portal_client.h"
#include "uiauto.h"
#include "unique_handle.h"

namespace {

std::string Screenshot(const char* name)
{
    const char* build = std::getenv("ZEN_BINARY_DIR");
    std::string folder = "Z:" + std::string(build ? build : "/tmp") + "/screenshots";
    for (char& c : folder) c = c == '/' ? '\\' : c;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\" + name;
}

// Opens the menu as a click on the tray icon does, at a fixed cursor place,
// and selects its item `downs` presses of the arrow key down from the top.
HWND OpenMenu(HWND message, DWORD pid, int downs)
{
    SetCursorPos(600, 500);
    PostMessageA(message, WM_USER + 1, 1, WM_RBUTTONUP);
    const auto menus = newstest::WaitForWindows("#32768", pid, 0, 1, 15000);
    if (menus.size() != 1) return nullptr;
    for (int i = 0; i < downs; ++i) uiauto::PostKey(menus.front(), VK_DOWN);
    return menus.front();
}

// Rows of the menu black across the item, with white text among them: the
// selected item. Gradient rows: blue at the left edge, near white at the right.
void CountRows(HWND menu, int& selectedRows, int& gradientRows)
{
    RECT r{};
    GetWindowRect(menu, &r);
    selectedRows = gradientRows = 0;
    int white = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        int black = 0, samples = 0;
        for (int x = r.left + 30; x < r.right - 30; x += 4, ++samples) {
            const uint32_t p = newstest::ScreenPixel(x, y);
            black += p == 0;
            white += p == 0xFFFFFF;
        }
        selectedRows += black * 10 >= samples * 6;
        bool blue = false;
        for (int x = r.left; x < r.left + 6; ++x) blue = blue || newstest::ScreenPixel(x, y) == 0x2184E7;
        gradientRows += blue && (newstest::ScreenPixel(r.right - 6, y) & 0xF0F0F0) == 0xF0F0F0;
    }
    if (white == 0) selectedRows = 0;
}

TEST(NewsTray, PopupOverTheTaskbarMenuSelectionTwoNewsCommandsAndExit)
{
    ASSERT_TRUE(portal::Reset());
    ASSERT_TRUE(portal::Serve("/launcher/news.dib", 200, newstest::BuildDib({})));
    // explorer makes the virtual desktop "shell", with a taskbar, and starts the tray on it.
    auto explorer = uiauto::Process::Start("C:\\windows\\explorer.exe", "/desktop=shell,1024x768 \"" +
                                           uiauto::BesideTestProgram("ZentarisLauncher.exe") + "\" --autostart");
    ASSERT_TRUE(explorer);
    // A thread without windows of its own may join that desktop and see its windows.
    std::thread onShell([] {
        HDESK desk = nullptr;
        uiauto::WaitUntil(10000, [&] { return (desk = OpenDesktopA("shell", 0, FALSE, GENERIC_ALL)) != nullptr; });
        ASSERT_TRUE(desk && SetThreadDesktop(desk));
        HWND message = nullptr;
        uiauto::WaitUntil(10000, [&] {
            return (message = FindWindowA(zentaris::TrayWindowClass, "Zentaris MsgWindow")) != nullptr;
        });
        ASSERT_NE(message, nullptr);
        EXPECT_FALSE(IsWindowVisible(message));
        ASSERT_NE(FindWindowA("Shell_TrayWnd", nullptr), nullptr) << "no taskbar on the virtual desktop";
        DWORD pid = 0;
        GetWindowThreadProcessId(message, &pid);

        // The popup shown at start, above the taskbar's right end.
        auto popups = newstest::WaitForWindows("#32770", pid, 0, 1, 15000);
        ASSERT_EQ(popups.size(), 1u);
        EXPECT_TRUE(newstest::WaitForPicture(popups[0]));
        RECT r{};
        GetWindowRect(popups[0], &r);
        EXPECT_TRUE(r.right <= 1024 && r.right > 1024 - 40 && r.bottom <= 768 && r.bottom > 768 - 40);
        EXPECT_TRUE(newstest::SaveScreen(Screenshot("news-popup.bmp")));
        PostMessageA(popups[0], WM_COMMAND, IDCANCEL, 0);
        uiauto::WaitUntil(5000, [&] { return !IsWindow(popups[0]); });
        ASSERT_FALSE(IsWindow(popups[0])) << "the start popup must be gone before popups are counted";

        HWND menu = OpenMenu(message, pid, 4);  // "Mostrar Noticias nuevamente"
        ASSERT_NE(menu, nullptr);
        int selectedRows = 0, gradientRows = 0;
        uiauto::WaitUntil(10000, [&] {
            CountRows(menu, selectedRows, gradientRows);
            return selectedRows >= 10;
        });
        EXPECT_GE(selectedRows, 10) << "no black item with white text";
        EXPECT_GT(gradientRows, 20) << "no blue-to-white items";
        EXPECT_TRUE(newstest::SaveScreen(Screenshot("menu-selected.bmp")));

        uiauto::PostKey(menu, VK_RETURN);
        ASSERT_EQ(newstest::WaitForWindows("#32770", pid, 0, 1, 10000).size(), 1u);
        menu = OpenMenu(message, pid, 4);
        ASSERT_NE(menu, nullptr);
        uiauto::PostKey(menu, VK_RETURN);
        popups = newstest::WaitForWindows("#32770", pid, 0, 2, 10000);
        ASSERT_EQ(popups.size(), 2u) << "two news commands, two popups";
        for (HWND popup : popups) EXPECT_TRUE(newstest::WaitForPicture(popup));

        menu = OpenMenu(message, pid, 0);
        ASSERT_NE(menu, nullptr);
        uiauto::PostKey(menu, VK_UP);  // the last item, "Salir"
        uiauto::PostKey(menu, VK_RETURN);
        const zentaris::UniqueKernelHandle process(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0) << "the popups do not hold the program";
    });
    onShell.join();
}

}  // namespace
