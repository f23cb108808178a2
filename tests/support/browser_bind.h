// Binds a URL through the platform's URL layer the way a browser does: an
// asynchronous bind to storage for a stream, data pulled in
// OnDataAvailable, messages pumped on the binding thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace browser {

struct BindOutcome {
    bool finished = false;        // data read to its end, or the bind stopped, in time
    HRESULT bindResult = S_OK;    // of BindToStorage itself
    bool stopped = false;         // OnStopBinding was called
    HRESULT stopResult = S_OK;
    std::wstring stopText;
    std::string bytes;            // everything read from the stream
    bool dataEnded = false;       // a Read answered S_FALSE
    std::vector<ULONG> progress;  // status codes of OnProgress, in order
    std::wstring mimeType;        // text of BINDSTATUS_MIMETYPEAVAILABLE, if any
};

// Binds `url` on the calling thread (COM initialised as a single-threaded
// apartment) and pumps messages until the outcome is known or timeoutMs.
BindOutcome BindLikeABrowser(const std::wstring& url, DWORD timeoutMs = 30000);

}  // namespace browser
