// The download list's fetch, on a worker thread of its own.
#pragma once

#include <windows.h>

class DownloadCatalog;

// Reads the portal's list into `list`, within the tray's fetch deadline.
// False when it could not be opened.
bool FetchDownloadList(DownloadCatalog& list);

// Thread procedure: the list, as read, goes to the tray window given as the
// parameter (WM_TRAY_DOWNLOADS). Exit code 0 when it was handed on.
DWORD WINAPI DownloadListThread(LPVOID window);
