// A browser's side of one URL bind through the platform's URL layer:
// asynchronous, with the data pulled from a stream as it is announced, the
// way web browsers bind. COM must be initialised on the calling thread.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string>

namespace browser {

struct BindResult {
    HRESULT bindResult = S_OK;   // what BindToStorage answered
    bool stopped = false;        // OnStopBinding arrived
    HRESULT stopResult = S_OK;
    std::wstring stopText;
    std::string bytes;           // every byte read
};

// Binds to `url` and pumps messages until the bind stops, `enough` bytes
// have arrived, or timeoutMs has passed.
BindResult Bind(const std::wstring& url, size_t enough, DWORD timeoutMs = 10000);

}  // namespace browser
