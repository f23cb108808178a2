// The news popup: a small picture from the portal, shown above the taskbar
// in a modal dialog of its own thread. The picture is fetched on one worker
// thread and handed to the tray window, which keeps the newest one and
// starts a popup thread with it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

// A packed bitmap that passed CheckNewsImage.
struct NewsImage {
    std::unique_ptr<unsigned char[]> bytes;
    size_t size = 0;
};

// Exit codes of the news threads (nothing reads them; tests do).
enum NewsResult : DWORD {
    NewsShown = 0,        // the popup was shown and has closed
    NewsUnavailable = 1,  // the file could not be opened, or is no usable bitmap
    NewsFetched = 2,      // a usable picture arrived
    NewsNoMemory = 5,     // the image buffer could not be allocated
};

// Fetches the news picture and checks it. NewsFetched, with the picture in
// `image`, or why there is none.
NewsResult FetchNewsImage(std::unique_ptr<NewsImage>& image);

// Thread procedure: a usable picture goes to the tray window given as the
// parameter (WM_TRAY_NEWS); an error page, a cut-off file or a header that
// would send the painting past the bytes received goes nowhere, so the
// window keeps the picture it had.
DWORD WINAPI NewsThread(LPVOID window);

// Shows the popup with `image` on the calling thread until it closes.
void ShowNewsPopup(const NewsImage& image);

// Thread procedure: ShowNewsPopup with the picture the parameter holds, a
// std::shared_ptr<const NewsImage> that the thread takes over, so the
// picture lives as long as some popup paints it.
DWORD WINAPI NewsPopupThread(LPVOID image);

// Dialog procedure of the popup (dialog resource 102); its parameter is the
// NewsImage it paints.
INT_PTR CALLBACK NewsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
