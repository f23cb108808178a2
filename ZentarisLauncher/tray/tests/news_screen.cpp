#include "news_screen.h"


#include "display_scale.h"
#include "news_test_image.h"
#include "screen_capture.h"
#include "uiauto.h"
#include "unique_handle.h"

namespace newstest {

std::vector<HWND> WaitForWindows(const char* cls, DWORD pid, DWORD threadId, size_t count, DWORD timeoutMs)
{
    std::vector<HWND> found;
    uiauto::WaitUntil(timeoutMs, [&] {
        found = uiauto::VisibleWindows(cls, pid, threadId);
        return found.size() >= count;
    });
    return found;
}

uint32_t ScreenPixel(int x, int y)
{
    const COLORREF c = GetPixel(zentaris::UniqueWindowDc::Get(nullptr).get(), x, y);
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

void ClickAt(int x, int y)
{
    SetCursorPos(x, y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

void PressKey(WORD virtualKey)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = virtualKey;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

bool SaveScreen(const std::string& windowsPath)
{
    RECT r{};
    GetWindowRect(GetDesktopWindow(), &r);
    const auto image = testsupport::CaptureScreen(r);
    return image && testsupport::WriteBmp(windowsPath, *image);
}

int PictureMismatches(HWND popup)
{
    RECT r{}, button{};
    GetWindowRect(popup, &r);
    GetWindowRect(GetDlgItem(popup, 1002), &button);
    std::vector<POINT> samples = {{0, 0}, {267, 78}, {0, 78}, {267, 40}};  // a picture shifted by one shows here
    for (int y = 0; y < 79; y += 6)
        for (int x = 0; x < 268; x += 13) samples.push_back({x, y});
    // At another scale each picture pixel covers more of the screen: its
    // centre is sampled there.
    const UINT dpi = uiauto::PrefixDpi();
    const auto onScreen = [dpi](int origin, int pixel) {
        return uiauto::ScaledForPrefix(10) + (2 * pixel + 1) * int(dpi) / (2 * int(zentaris::BaseDpi)) + origin;
    };
    int wrong = 0;
    for (const POINT& p : samples) {
        const POINT at{onScreen(r.left, p.x), onScreen(r.top, p.y)};
        if (!PtInRect(&button, at) && ScreenPixel(at.x, at.y) != PatternColour(p.x, p.y)) ++wrong;
    }
    return wrong;
}

bool WaitForPicture(HWND popup)
{
    return uiauto::WaitUntil(3000, [popup] { return PictureMismatches(popup) == 0; });
}

}  // namespace newstest
