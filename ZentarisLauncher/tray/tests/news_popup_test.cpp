// NewsThread and its popup in this process, against the portal test server
// on the built-in port. "open" of a URL is recorded by testgame.exe, set as
// the prefix's http handler.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "news_popup.h"
#include "news_screen.h"
#include "news_test_image.h"
#include "portal_client.h"
#include "uiauto.h"

namespace {

using newstest::BuildDib;
using newstest::DibSpec;

const char NewsRoute[] = "/launcher/news.dib";

std::string OpenLog()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "news-open.log";
}

// Makes testgame.exe the prefix's handler of http URLs; what it is started
// with lands in OpenLog().
void RecordUrlOpens()
{
    const std::string command = "\"" + uiauto::BesideTestProgram("testgame.exe") + "\" \"%1\"";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
    SetEnvironmentVariableA("ZEN_TESTGAME_LOG", OpenLog().c_str());
    DeleteFileA(OpenLog().c_str());
}

// One started NewsThread.
class NewsRun {
public:
    NewsRun() { thread_ = CreateThread(nullptr, 0, NewsThread, nullptr, 0, &id_); }
    ~NewsRun()
    {
        if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT) {
            for (HWND popup : newstest::ThreadPopups(id_)) PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
            WaitForSingleObject(thread_, 5000);
        }
        CloseHandle(thread_);
    }
    NewsRun(const NewsRun&) = delete;
    NewsRun& operator=(const NewsRun&) = delete;

    DWORD id() const { return id_; }
    // Exit code once the thread ended within timeoutMs, else STILL_ACTIVE.
    DWORD WaitExit(DWORD timeoutMs) const
    {
        if (WaitForSingleObject(thread_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeThread(thread_, &code);
        return code;
    }
    HWND WaitPopup(DWORD timeoutMs = 10000) const { return newstest::WaitForPopup(id_, timeoutMs); }

private:
    HANDLE thread_ = nullptr;
    DWORD id_ = 0;
};

// Where the popup must sit for the taskbar rectangle the shell reports.
POINT ExpectedOrigin()
{
    APPBARDATA bar{};
    bar.cbSize = sizeof bar;
    bar.hWnd = FindWindowA("Shell_TrayWnd", nullptr);
    SHAppBarMessage(ABM_GETTASKBARPOS, &bar);
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const RECT t = bar.rc;
    if (t.top > 0) return {t.right - 298, t.top - 109};
    if (t.left > 0) return {t.left - 298, t.bottom - 109};
    if (t.bottom > desktop.bottom) return {t.right + 10, t.bottom - 109};
    return {t.right - 298, t.bottom + 10};
}

// Samples of the picture as it should appear at (10, 10) of the popup; the
// "X" button covers a corner of it and is left out.
int PictureMismatches(HWND popup)
{
    RECT r{};
    GetWindowRect(popup, &r);
    RECT button{};
    GetWindowRect(GetDlgItem(popup, 1002), &button);
    std::vector<POINT> samples = {{0, 0}, {267, 78}, {0, 78}, {267, 40}};  // an image shifted by one shows here
    for (int y = 0; y < 79; y += 6)
        for (int x = 0; x < 268; x += 13) samples.push_back({x, y});
    int wrong = 0;
    for (const POINT& p : samples) {
        const POINT screen{r.left + 10 + p.x, r.top + 10 + p.y};
        if (PtInRect(&button, screen)) continue;
        const newstest::Rgb want = newstest::PatternColour(p.x, p.y);
        const uint32_t expected = uint32_t(want.r) << 16 | uint32_t(want.g) << 8 | want.b;
        if (newstest::ScreenPixel(screen.x, screen.y) != expected) ++wrong;
    }
    return wrong;
}

// Waits until the picture is on screen (painting follows the popup's
// appearance by a moment); the mismatch count at the end.
int WaitForPicture(HWND popup)
{
    int wrong = 0;
    for (int i = 0; i < 50; ++i) {
        wrong = PictureMismatches(popup);
        if (wrong == 0) break;
        Sleep(40);
    }
    return wrong;
}

bool WaitForLog(DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (newstest::ReadFileText(OpenLog()).empty()) {
        if (GetTickCount64() > end) return false;
        Sleep(50);
    }
    return true;
}

class NewsPopup : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(portal::Reset());
        RecordUrlOpens();
    }
};

TEST_F(NewsPopup, PictureShowsAboveTheTaskbarAndClosesByItselfAfterTenSeconds)
{
    ASSERT_TRUE(portal::Serve(NewsRoute, 200, BuildDib({})));
    NewsRun run;
    HWND popup = run.WaitPopup();
    ASSERT_NE(popup, nullptr);
    const ULONGLONG shown = GetTickCount64();

    RECT r{};
    GetWindowRect(popup, &r);
    const POINT origin = ExpectedOrigin();
    EXPECT_EQ(r.left, origin.x);
    EXPECT_EQ(r.top, origin.y);
    EXPECT_EQ(r.right - r.left, 288);
    EXPECT_EQ(r.bottom - r.top, 99);
    const LONG style = GetWindowLongA(popup, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_BORDER);
    EXPECT_FALSE((style & WS_CAPTION) == WS_CAPTION);
    char text[8] = {};
    GetDlgItemTextA(popup, 1002, text, sizeof text);
    EXPECT_STREQ(text, "X");
    // The button lies inside the popup, where it can be clicked.
    RECT button{};
    GetWindowRect(GetDlgItem(popup, 1002), &button);
    EXPECT_GE(button.left, r.left);
    EXPECT_LE(button.right, r.right);
    EXPECT_GE(button.top, r.top);
    EXPECT_LE(button.bottom, r.bottom);
    EXPECT_GT(button.right - button.left, 0);
    EXPECT_EQ(WaitForPicture(popup), 0);
    EXPECT_EQ(newsImage.load() != nullptr, true);

    EXPECT_EQ(run.WaitExit(15000), static_cast<DWORD>(NewsShown));
    const ULONGLONG lived = GetTickCount64() - shown;
    EXPECT_GE(lived, 9000u);
    EXPECT_LE(lived, 12500u);
    Sleep(500);
    EXPECT_EQ(newstest::ReadFileText(OpenLog()), "") << "nothing is opened when the popup times out";
    const std::string requests = portal::RequestLog();
    EXPECT_NE(requests.find("/launcher/news.dib"), std::string::npos) << requests;
}

TEST_F(NewsPopup, ClickOnThePictureOpensTheNewsPageAndCloses)
{
    ASSERT_TRUE(portal::Serve(NewsRoute, 200, BuildDib({})));
    NewsRun run;
    HWND popup = run.WaitPopup();
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(WaitForPicture(popup), 0);
    RECT r{};
    GetWindowRect(popup, &r);
    newstest::ClickAt(r.left + 100, r.top + 50);

    EXPECT_EQ(run.WaitExit(5000), static_cast<DWORD>(NewsShown));
    ASSERT_TRUE(WaitForLog(10000)) << "the news page was not opened";
    const std::string log = newstest::ReadFileText(OpenLog());
    EXPECT_NE(log.find("\"" + portal::UrlOf("pages/news/") + "\""), std::string::npos) << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << "opened more than once: " << log;
}

TEST_F(NewsPopup, CloseButtonAndKeysCloseWithoutOpeningAnything)
{
    const std::string image = BuildDib({});
    ASSERT_TRUE(portal::Serve(NewsRoute, 200, image));
    const struct {
        const char* how;
        void (*close)(HWND popup);
    } cases[] = {
        {"X button", [](HWND popup) {
             RECT b{};
             GetWindowRect(GetDlgItem(popup, 1002), &b);
             newstest::ClickAt((b.left + b.right) / 2, (b.top + b.bottom) / 2);
         }},
        {"Escape", [](HWND popup) {
             SetForegroundWindow(popup);
             newstest::PressKey(VK_ESCAPE);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        NewsRun run;
        HWND popup = run.WaitPopup();
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(WaitForPicture(popup), 0);
        c.close(popup);
        EXPECT_EQ(run.WaitExit(5000), static_cast<DWORD>(NewsShown));
    }
    Sleep(1500);
    EXPECT_EQ(newstest::ReadFileText(OpenLog()), "");
}

TEST_F(NewsPopup, EachRequestShowsAPopupOfItsOwn)
{
    ASSERT_TRUE(portal::Serve(NewsRoute, 200, BuildDib({})));
    NewsRun first;
    NewsRun second;
    HWND a = first.WaitPopup();
    HWND b = second.WaitPopup();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_TRUE(IsWindowVisible(a) && IsWindowVisible(b));
    // Closing one leaves the other.
    PostMessageA(a, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(first.WaitExit(5000), static_cast<DWORD>(NewsShown));
    EXPECT_TRUE(IsWindow(b));
    EXPECT_EQ(second.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
}

TEST_F(NewsPopup, UnusableNewsShowsNoPopupAndKeepsTheLastImage)
{
    // A good image first, so there is a last image to keep.
    ASSERT_TRUE(portal::Serve(NewsRoute, 200, BuildDib({})));
    {
        NewsRun run;
        HWND popup = run.WaitPopup();
        ASSERT_NE(popup, nullptr);
        PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
        ASSERT_EQ(run.WaitExit(5000), static_cast<DWORD>(NewsShown));
    }
    const unsigned char* last = newsImage.load();
    ASSERT_NE(last, nullptr);

    const std::string valid = BuildDib({});
    DibSpec deep;
    deep.bitCount = 32;  // 84,728 bytes: cut at 70,000 it lacks its last rows
    const struct {
        const char* what;
        int status;
        std::string body;
        std::string extra;
    } cases[] = {
        {"error page", 404, "<html><body><h1>404 Not Found</h1></body></html>", ""},
        {"empty body", 200, "", ""},
        {"connection reset", 200, valid, "\"reset\": true"},
        {"cut-off file", 200, valid.substr(0, valid.size() / 2), ""},
        {"32-bit picture larger than the buffer", 200, BuildDib(deep), ""},
        {"header size past the file", 200, BuildDib([] { DibSpec s; s.headerSize = 0x7FFFFFF0; return s; }()), ""},
        {"short header", 200, BuildDib([] { DibSpec s; s.headerSize = 12; return s; }()), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(portal::Serve(NewsRoute, c.status, c.body, c.extra));
        NewsRun run;
        const ULONGLONG end = GetTickCount64() + 15000;
        DWORD code = STILL_ACTIVE;
        bool popupSeen = false;
        while (code == STILL_ACTIVE && GetTickCount64() < end) {
            code = run.WaitExit(20);
            popupSeen = popupSeen || !newstest::ThreadPopups(run.id()).empty();
        }
        EXPECT_EQ(code, static_cast<DWORD>(NewsUnavailable));
        EXPECT_FALSE(popupSeen);
        EXPECT_EQ(newsImage.load(), last);
    }
}

TEST_F(NewsPopup, FileLargerThanTheBufferIsCutAndStillShown)
{
    const std::string image = BuildDib({});
    DibSpec longer;
    longer.extraBytes = 120000;  // far beyond the 70,000-byte buffer
    ASSERT_TRUE(portal::Serve(NewsRoute, 200, BuildDib(longer)));
    NewsRun run;
    HWND popup = run.WaitPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WaitForPicture(popup), 0);
    const unsigned char* shown = newsImage.load();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(shown), image.size()), image);
    PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(run.WaitExit(5000), static_cast<DWORD>(NewsShown));
}

}  // namespace
