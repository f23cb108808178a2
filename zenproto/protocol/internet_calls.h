// The WinINet calls the image download makes, gathered in one table so that
// a test can stand in for a call the platform will not fail on demand (the
// root handle, a read in mid-body). The product uses the platform's own.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "unique_handle.h"

namespace zenproto {

struct InternetCalls {
    decltype(&InternetOpenW) open = InternetOpenW;
    decltype(&InternetOpenUrlW) openUrl = InternetOpenUrlW;
    decltype(&InternetReadFile) read = InternetReadFile;
    decltype(&HttpQueryInfoW) queryInfo = HttpQueryInfoW;
    decltype(&InternetCloseHandle) close = InternetCloseHandle;
};

// The table in use; a test restores it with `= InternetCalls{}`.
InternetCalls& CurrentInternetCalls();

// Closes through the table, so that a test counts every handle it saw opened.
inline void CloseInternetHandle(HINTERNET handle) { CurrentInternetCalls().close(handle); }

// Owns one WinINet handle and closes it once.
using UniqueInternetHandle = zentaris::UniqueHandle<HINTERNET, &CloseInternetHandle>;

}  // namespace zenproto
