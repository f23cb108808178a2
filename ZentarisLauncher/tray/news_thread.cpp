// The news threads: one fetches the picture and hands it to the tray
// window, one shows the popup.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <new>

#include "news_image_check.h"
#include "news_popup.h"
#include "news_resource.h"
#include "portal.h"
#include "tray_messages.h"
#include "webfile_owner.h"

namespace {

constexpr size_t ReadPiece = 1024;

// Reads in 1024-byte pieces straight into the image buffer and stops when it
// is full: a larger file is cut at the buffer's end, never stored past it.
// A read that delivers nothing ends the loop even if the reader has not yet
// noticed the end, so a broken transfer cannot keep the thread spinning.
size_t ReadImage(unsigned char* buffer, WebFile* file)
{
    size_t got = 0;
    while (got < NewsImageCapacity && WebFileAtEnd(file) == 0) {
        const size_t room = NewsImageCapacity - got;
        const size_t n = WebFileRead(buffer + got, 1, room < ReadPiece ? room : ReadPiece, file);
        if (n == 0) break;
        got += n;
    }
    return got;
}

}  // namespace

NewsResult FetchNewsImage(std::unique_ptr<NewsImage>& image)
{
    auto fetched = std::unique_ptr<NewsImage>(new (std::nothrow) NewsImage);
    if (fetched) fetched->bytes.reset(new (std::nothrow) unsigned char[NewsImageCapacity]);
    if (!fetched || !fetched->bytes) return NewsNoMemory;

    char url[1024];
    std::snprintf(url, sizeof url, "%s%s", zentaris::PortalBaseUrl, zentaris::NewsImagePath);
    // A transfer cut by the deadline leaves a picture the check refuses.
    zentaris::UniqueWebFile file(WebFileOpenWithin(url, "r", zentaris::TrayFetchTimeoutSeconds * 1000));
    if (!file) return NewsUnavailable;
    fetched->size = ReadImage(fetched->bytes.get(), file.get());
    if (CheckNewsImage(fetched->bytes.get(), fetched->size) != NewsImageVerdict::Ok) return NewsUnavailable;
    image = std::move(fetched);
    return NewsFetched;
}

DWORD WINAPI NewsThread(LPVOID window)
{
    const zentaris::WebFileThreadScope web;
    std::unique_ptr<NewsImage> image;
    const NewsResult result = FetchNewsImage(image);
    if (result != NewsFetched) return result;
    return PostOwned(static_cast<HWND>(window), WM_TRAY_NEWS, std::move(image)) ? NewsFetched : NewsUnavailable;
}

void ShowNewsPopup(const NewsImage& image)
{
    // A click hands the news page to the shell, which may pass it on to a
    // COM-based handler: the popup's thread needs COM as the tray's does.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_NEWS), nullptr, NewsDlgProc,
                    reinterpret_cast<LPARAM>(&image));
    if (SUCCEEDED(com)) CoUninitialize();
}

DWORD WINAPI NewsPopupThread(LPVOID image)
{
    const std::unique_ptr<std::shared_ptr<const NewsImage>> shown(static_cast<std::shared_ptr<const NewsImage>*>(image));
    ShowNewsPopup(**shown);
    return NewsShown;
}
