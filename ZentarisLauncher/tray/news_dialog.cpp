// The popup's dialog procedure: placement above the taskbar, the picture,
// and the three ways it closes (timer, click, any command).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "display_dpi.h"
#include "display_scale.h"
#include "news_image_check.h"
#include "news_placement.h"
#include "news_popup.h"
#include "news_resource.h"
#include "portal.h"
#include "unique_handle.h"

namespace {

constexpr UINT_PTR CloseTimer = 1;
constexpr UINT CloseAfterMs = 10000;

NewsRect ToNewsRect(const RECT& r)
{
    NewsRect n;
    n.left = r.left;
    n.top = r.top;
    n.right = r.right;
    n.bottom = r.bottom;
    return n;
}

void PlaceNearTaskbar(HWND dialog)
{
    APPBARDATA taskbar{};
    taskbar.cbSize = sizeof taskbar;
    taskbar.hWnd = FindWindowA("Shell_TrayWnd", nullptr);
    SHAppBarMessage(ABM_GETTASKBARPOS, &taskbar);  // leaves the rectangle zero on failure

    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);

    const NewsPlacement p = PlaceNewsPopup(ToNewsRect(taskbar.rc), ToNewsRect(desktop), DpiOfWindow(dialog));
    if (p.move) MoveWindow(dialog, p.x, p.y, p.width, p.height, TRUE);
}

// The button's place comes from dialog units, so a font wider than the one
// the template was laid out for (Wine's stand-in for "MS Sans Serif") puts it
// beyond the popup's 288 pixels, where it can be neither seen nor clicked.
// Such a button is moved left until it lies inside; one that fits stays.
void KeepCloseButtonInside(HWND dialog)
{
    HWND button = GetDlgItem(dialog, IDC_NEWS_CLOSE);
    if (!button) return;
    RECT client{};
    RECT place{};
    GetClientRect(dialog, &client);
    GetWindowRect(button, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    if (place.right <= client.right) return;
    const int width = place.right - place.left;
    const int left = client.right - width > 0 ? client.right - width : 0;
    MoveWindow(button, left, place.top, width, place.bottom - place.top, TRUE);
}

void InitPopup(HWND dialog, LPARAM image)
{
    SetWindowLongPtrA(dialog, DWLP_USER, image);
    SetTimer(dialog, CloseTimer, CloseAfterMs, nullptr);
    PlaceNearTaskbar(dialog);
    KeepCloseButtonInside(dialog);
}

// Every image a popup is given passed the bitmap check, so all of its
// rows lie inside its buffer. The platform is handed the picture's top 79
// rows alone, under a header that describes just them: it reads no row it
// is not given, and its rule that a bottom-up source rectangle counts from
// the bottom (which would show a taller picture's lowest rows, and a
// top-down one's lowest at other scales) has no rows to choose from. At
// another display scale the picture keeps its apparent size, as the popup
// around it does.
void PaintImage(HWND dialog)
{
    const auto* news = reinterpret_cast<const NewsImage*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!news) return;
    const unsigned char* image = news->bytes.get();
    const auto dc = zentaris::UniqueWindowDc::GetWindow(dialog);
    if (!dc) return;
    const NewsImageBand band = NewsImagePaintedBand(image);
    const UINT dpi = DpiOfWindow(dialog);
    const auto scaled = [dpi](int length) { return zentaris::ScaleForDpi(length, dpi); };
    // Each picture pixel as a block of screen pixels (one at 100 %): sharp
    // edges, and the colours the portal drew.
    SetStretchBltMode(dc.get(), COLORONCOLOR);
    StretchDIBits(dc.get(), scaled(NewsImageX), scaled(NewsImageY), scaled(NewsImageWidth), scaled(NewsImageHeight),
                  0, 0, NewsImageWidth, NewsImageHeight, image + band.rowsOffset,
                  reinterpret_cast<const BITMAPINFO*>(band.description), DIB_RGB_COLORS, SRCCOPY);
}

void OpenNewsPage()
{
    char url[1024];
    std::snprintf(url, sizeof url, "%s%s", zentaris::PortalBaseUrl, zentaris::NewsPagePath);
    ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

INT_PTR CALLBACK NewsDlgProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitPopup(dialog, lParam);
        return TRUE;
    case WM_PAINT:
    case WM_NCPAINT:
        PaintImage(dialog);
        return FALSE;
    case WM_LBUTTONUP:
        OpenNewsPage();
        EndDialog(dialog, 0);
        return TRUE;
    case WM_COMMAND:
    case WM_TIMER:
        EndDialog(dialog, 0);
        return FALSE;
    default:
        return FALSE;
    }
}
