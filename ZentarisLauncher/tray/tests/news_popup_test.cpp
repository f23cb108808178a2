// The news picture's fetch and its popup in this process, against the portal test server
// on the built-in port. urlrecorder.exe, set as the http handler, records
// every URL that "open" hands on.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "news_popup.h"
#include "news_screen.h"
#include "news_test_image.h"
#include "portal.h"
#include "portal_client.h"
#include "uiauto.h"
#include "unique_handle.h"
#include "url_record.h"

namespace {

using newstest::BuildDib;
using newstest::DibShape;

// The picture fetched and shown on a thread of its own, as the tray's two
// news threads do; a popup left open is closed at the end.
class NewsRun {
public:
    NewsRun() : thread_(CreateThread(nullptr, 0, FetchAndShow, this, 0, &id_)) {}
    ~NewsRun()
    {
        for (HWND popup : uiauto::VisibleWindows("#32770", GetCurrentProcessId(), id_)) PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
        WaitForSingleObject(thread_.get(), 5000);
    }
    // Exit code once the thread ends within timeoutMs, else STILL_ACTIVE.
    DWORD Exit(DWORD timeoutMs) const
    {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(thread_.get(), timeoutMs) == WAIT_OBJECT_0) GetExitCodeThread(thread_.get(), &code);
        return code;
    }
    // The picture shown; null when none arrived. Read once the popup shows
    // or the thread has ended.
    const NewsImage* Image() const { return image_.get(); }
    HWND Popup() const
    {
        const auto found = newstest::WaitForWindows("#32770", GetCurrentProcessId(), id_, 1, 10000);
        return found.empty() ? nullptr : found.front();
    }
    bool PopupSeenBeforeExit(DWORD timeoutMs) const
    {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        bool seen = false;
        while (Exit(20) == STILL_ACTIVE && GetTickCount64() < end)
            seen = seen || !uiauto::VisibleWindows("#32770", GetCurrentProcessId(), id_).empty();
        return seen;
    }

private:
    static DWORD WINAPI FetchAndShow(LPVOID parameter)
    {
        auto* run = static_cast<NewsRun*>(parameter);
        const NewsResult fetched = FetchNewsImage(run->image_);
        if (fetched != NewsFetched) return fetched;
        ShowNewsPopup(*run->image_);
        return NewsShown;
    }

    std::unique_ptr<NewsImage> image_;
    DWORD id_ = 0;
    zentaris::UniqueKernelHandle thread_;
};

class NewsPopup : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(portal::Reset());
        ASSERT_TRUE(urlrecord::InstallUrlRecorder(record));
    }
    std::vector<std::string> Opened(size_t count, DWORD timeoutMs) const
    {
        return urlrecord::WaitForRecordedUrls(record, count, timeoutMs);
    }
    const std::string record = urlrecord::NewRecordFile();
};

TEST_F(NewsPopup, PictureShowsAboveTheTaskbarAndClosesByItselfAfterTenSeconds)
{
    DibShape longer;
    longer.size = 190000;  // the picture, then bytes far beyond the 70,000-byte buffer
    ASSERT_TRUE(portal::Serve("/launcher/news.dib", 200, BuildDib(longer)));
    NewsRun run;
    HWND popup = run.Popup();
    ASSERT_NE(popup, nullptr);
    const ULONGLONG shown = GetTickCount64();

    // Wine reports the taskbar as a strip along the bottom edge.
    APPBARDATA bar{};
    bar.cbSize = sizeof bar;
    SHAppBarMessage(ABM_GETTASKBARPOS, &bar);
    ASSERT_GT(bar.rc.top, 0);
    RECT r{}, button{};
    GetWindowRect(popup, &r);
    // 288 x 99, 10 pixels from the taskbar's corner, at the prefix's scale.
    EXPECT_EQ(r.left, bar.rc.right - uiauto::ScaledForPrefix(288) - uiauto::ScaledForPrefix(10));
    EXPECT_EQ(r.top, bar.rc.top - uiauto::ScaledForPrefix(99) - uiauto::ScaledForPrefix(10));
    EXPECT_EQ(r.right - r.left, uiauto::ScaledForPrefix(288));
    EXPECT_EQ(r.bottom - r.top, uiauto::ScaledForPrefix(99));
    EXPECT_EQ(GetWindowLongA(popup, GWL_STYLE) & (WS_POPUP | WS_BORDER | WS_CAPTION), WS_POPUP | WS_BORDER);
    char text[8] = {};
    GetDlgItemTextA(popup, 1002, text, sizeof text);
    EXPECT_STREQ(text, "X");
    GetWindowRect(GetDlgItem(popup, 1002), &button);
    EXPECT_TRUE(button.left >= r.left && button.right <= r.right && button.right > button.left) << "X outside the popup";
    EXPECT_TRUE(newstest::WaitForPicture(popup));
    ASSERT_NE(run.Image(), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(run.Image()->bytes.get()), 40 + 79 * 804), BuildDib({}));

    EXPECT_EQ(run.Exit(15000), DWORD(NewsShown));
    EXPECT_GE(GetTickCount64() - shown, 9000u);
    EXPECT_LE(GetTickCount64() - shown, 12500u);
    EXPECT_TRUE(Opened(1, 1000).empty()) << "a timed-out popup opens nothing";
}

// The popup shows a picture's top 79 rows and left 268 pixels as drawn,
// whichever way its rows run and whatever lies between header and rows; the
// test pattern differs from row to row, so rows taken from elsewhere show.
TEST_F(NewsPopup, PictureShowsItsTopRowsWhicheverWayTheyRun)
{
    const struct {
        const char* what;
        DibShape shape;
    } cases[] = {
        {"top-down rows", [] { DibShape s; s.height = -79; return s; }()},
        {"bottom-up, 8 rows more", [] { DibShape s; s.height = 87; return s; }()},
        {"top-down, 8 rows more", [] { DibShape s; s.height = -87; return s; }()},
        {"colour table before the rows", [] { DibShape s; s.coloursUsed = 2; s.tableBytes = 8; return s; }()},
        {"wider", [] { DibShape s; s.width = 290; return s; }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(portal::Serve("/launcher/news.dib", 200, BuildDib(c.shape)));
        NewsRun run;
        HWND popup = run.Popup();
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(newstest::WaitForPicture(popup)) << newstest::PictureMismatches(popup) << " samples differ";
    }
}

TEST_F(NewsPopup, ClickOpensTheNewsPageOnceAndCloseButtonOrEscapeOpenNothing)
{
    ASSERT_TRUE(portal::Serve("/launcher/news.dib", 200, BuildDib({})));
    const struct {
        const char* how;
        void (*act)(HWND popup, const RECT& r);
        bool opens;
    } cases[] = {
        {"X button", [](HWND popup, const RECT&) {
             RECT b{};
             GetWindowRect(GetDlgItem(popup, 1002), &b);
             newstest::ClickAt((b.left + b.right) / 2, (b.top + b.bottom) / 2);
         }, false},
        {"Escape", [](HWND popup, const RECT&) { SetForegroundWindow(popup), newstest::PressKey(VK_ESCAPE); }, false},
        {"click on the picture", [](HWND, const RECT& r) { newstest::ClickAt(r.left + 100, r.top + 50); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        NewsRun run;
        HWND popup = run.Popup();
        ASSERT_NE(popup, nullptr);
        ASSERT_TRUE(newstest::WaitForPicture(popup));
        RECT r{};
        GetWindowRect(popup, &r);
        c.act(popup, r);
        EXPECT_EQ(run.Exit(5000), DWORD(NewsShown));
        const std::vector<std::string> none, page = {portal::UrlOf("pages/news/")};
        EXPECT_EQ(Opened(2, c.opens ? 4000 : 1000), c.opens ? page : none);  // once, or not at all
    }
}

// A portal that sends the picture slower than the deadline allows holds the
// news thread no longer than the deadline: the cut picture is refused.
TEST_F(NewsPopup, DrippingPortalEndsTheFetchAtTheDeadline)
{
    if (uiauto::PrefixDpi() != 96) GTEST_SKIP() << "the deadline does not depend on the scale";
    // 1000 bytes a second: the whole picture would take about 64 s.
    ASSERT_TRUE(portal::Serve("/launcher/news.dib", 200, BuildDib({}), "\"drip\": {\"chunk\": 1000, \"interval\": 1.0}"));
    const ULONGLONG start = GetTickCount64();
    NewsRun run;
    const DWORD code = run.Exit(DWORD(zentaris::TrayFetchTimeoutSeconds + 20) * 1000);
    const ULONGLONG seconds = (GetTickCount64() - start) / 1000;
    EXPECT_EQ(code, DWORD(NewsUnavailable));
    EXPECT_GE(seconds + 1, static_cast<ULONGLONG>(zentaris::TrayFetchTimeoutSeconds)) << "ended before the deadline";
}

// Such a fetch hands nothing on, so the tray keeps the picture it had.
TEST_F(NewsPopup, UnusableNewsShowsNoPopupAndGivesNoPicture)
{
    const std::string good = BuildDib({});
    const struct {
        const char* what;
        int status;
        std::string body, extra;
    } cases[] = {
        {"error page", 404, "<html><body><h1>404 Not Found</h1></body></html>", ""},
        {"empty body", 200, "", ""},
        {"connection reset", 200, good, "\"reset\": true"},
        {"cut-off file", 200, good.substr(0, good.size() / 2), ""},
        {"32-bit picture larger than the buffer", 200, BuildDib([] { DibShape s; s.bitCount = 32; return s; }()), ""},
        {"header size past the file", 200, BuildDib([] { DibShape s; s.headerSize = 0x7FFFFFF0; return s; }()), ""},
        {"header taller than the rows sent", 200, BuildDib([] { DibShape s; s.height = 80; s.size = 40 + 79 * 804; return s; }()), ""},
        {"height -2^31", 200, BuildDib([] { DibShape s; s.height = INT32_MIN; s.size = 40 + 79 * 804; return s; }()), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(portal::Serve("/launcher/news.dib", c.status, c.body, c.extra));
        NewsRun run;
        EXPECT_FALSE(run.PopupSeenBeforeExit(15000));
        EXPECT_EQ(run.Exit(0), DWORD(NewsUnavailable));
        EXPECT_EQ(run.Image(), nullptr);
    }
}

}  // namespace
