// The news popup: a small picture from the portal, shown above the taskbar
// in a modal dialog of its own thread.
#pragma once

#include <windows.h>

#include <atomic>

// Exit codes of NewsThread (nothing reads them; tests do).
enum NewsThreadResult : DWORD {
    NewsShown = 0,       // the popup was shown and has closed
    NewsUnavailable = 1, // the file could not be opened, or is no usable bitmap
    NewsNoMemory = 5,    // the image buffer could not be allocated
};

// The newest news image, a packed bitmap; null until the first one arrives.
// Written by news threads, read by every open popup's painting. Each image
// buffer stays alive for the rest of the process, so a popup that still
// holds an older pointer paints valid bytes.
extern std::atomic<const unsigned char*> newsImage;

// Thread procedure: fetches the news image and shows the popup until it
// closes. The parameter is ignored. Started with CreateThread by the tray.
DWORD WINAPI NewsThread(LPVOID parameter);

// Dialog procedure of the popup (dialog resource 102).
INT_PTR CALLBACK NewsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
