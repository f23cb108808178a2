// The WinINet calls the image download makes, gathered in one table so that
// a test can stand in for a call the platform will not fail on demand (the
// root handle, a read in mid-body). The product uses the platform's own.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace zenproto {

struct InternetCalls {
    decltype(&InternetOpenW) open = InternetOpenW;
    decltype(&InternetOpenUrlW) openUrl = InternetOpenUrlW;
    decltype(&InternetReadFile) read = InternetReadFile;
    decltype(&InternetCloseHandle) close = InternetCloseHandle;
};

// The table in use; a test restores it with `= InternetCalls{}`.
InternetCalls& CurrentInternetCalls();

// Owns one WinINet handle and closes it once.
class InternetHandle {
public:
    InternetHandle() = default;
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() { Close(); }

    void Reset(HINTERNET handle)
    {
        Close();
        handle_ = handle;
    }
    void Close()
    {
        if (handle_) CurrentInternetCalls().close(handle_);
        handle_ = nullptr;
    }
    HINTERNET Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HINTERNET handle_ = nullptr;
};

}  // namespace zenproto
