// The news thread: fetches the picture, publishes it and shows the popup.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <new>

#include "news_image_check.h"
#include "news_popup.h"
#include "news_resource.h"
#include "portal.h"
#include "webfile_owner.h"

std::atomic<const unsigned char*> newsImage{nullptr};

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

DWORD WINAPI NewsThread(LPVOID)
{
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[NewsImageCapacity]);
    if (!buffer) return NewsNoMemory;

    char url[1024];
    std::snprintf(url, sizeof url, "%s%s", zentaris::PortalBaseUrl, zentaris::NewsImagePath);
    // The file is closed before the popup shows: one cut at the buffer's end
    // would otherwise hold its transfer open for the popup's whole life. A
    // transfer cut by the deadline leaves a picture the check refuses.
    size_t got = 0;
    {
        zentaris::UniqueWebFile file(WebFileOpenWithin(url, "r", zentaris::TrayFetchTimeoutSeconds * 1000));
        if (!file) return NewsUnavailable;
        got = ReadImage(buffer.get(), file.get());
    }
    // An error page, a cut-off file or a header that would send the painting
    // past the bytes received shows nothing and leaves the last image alone.
    if (CheckNewsImage(buffer.get(), got) != NewsImageVerdict::Ok) return NewsUnavailable;

    // Published images are never freed: a popup may still be painting one.
    newsImage.store(buffer.release(), std::memory_order_release);
    // A click hands the news page to the shell, which may pass it on to a
    // COM-based handler: the popup's thread needs COM as the tray's does.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_NEWS), nullptr, NewsDlgProc, 0);
    if (SUCCEEDED(com)) CoUninitialize();
    return NewsShown;
}
