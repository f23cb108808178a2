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

// The module's one WinINet session. A browser's own http protocol keeps one
// session for the life of the process; so does the handler, instead of
// opening and closing one per request. It is opened by the first request that
// needs it (a failed open is not kept: the next request tries again), shared
// by requests on any thread, and closed only when no request holds it.
void ReturnInternetSession(HINTERNET session);

// A request's hold on the session, given back once.
using InternetSessionLease = zentaris::UniqueHandle<HINTERNET, &ReturnInternetSession>;

// The session (opened now if it is not open), or an empty lease when
// InternetOpen failed.
InternetSessionLease LeaseInternetSession();

// Closes the session unless a request holds it; true when none does (the
// session is then closed, or was never open). For the module's unload, and
// for tests that count handles from a fresh start.
bool CloseIdleInternetSession();

}  // namespace zenproto
