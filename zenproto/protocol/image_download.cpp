// The install-check image: opened before anything else of a request is done,
// read whole and announced last.
#include <string>

#include "image_transfer.h"
#include "pluggable_protocol.h"
#include "portal_config.h"

#include <utility>

namespace zenproto {

InternetCalls& CurrentInternetCalls()
{
    static InternetCalls calls;
    return calls;
}

namespace {

// Guards the session and its count of holders; constant-initialised, so
// usable from the first request on, on any thread.
SRWLOCK sessionLock = SRWLOCK_INIT;
HINTERNET session = nullptr;  // open from the first request that needed it until the module's unload
int sessionHolders = 0;

}  // namespace

InternetSessionLease LeaseInternetSession()
{
    AcquireSRWLockExclusive(&sessionLock);
    if (!session) {
        session = CurrentInternetCalls().open(L"Zentaris launcher", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    }
    if (session) ++sessionHolders;
    HINTERNET held = session;
    ReleaseSRWLockExclusive(&sessionLock);
    return InternetSessionLease(held);
}

void ReturnInternetSession(HINTERNET)
{
    AcquireSRWLockExclusive(&sessionLock);
    --sessionHolders;
    ReleaseSRWLockExclusive(&sessionLock);
}

bool CloseIdleInternetSession()
{
    AcquireSRWLockExclusive(&sessionLock);
    const bool idle = sessionHolders == 0;
    HINTERNET closing = idle ? std::exchange(session, nullptr) : nullptr;
    ReleaseSRWLockExclusive(&sessionLock);
    if (closing) CloseInternetHandle(closing);
    return idle;
}

namespace {

class InternetBody : public BodySource {
public:
    explicit InternetBody(HINTERNET url) : url_(url) {}
    bool Read(uint8_t* into, uint32_t want, uint32_t* got) override
    {
        DWORD read = 0;
        const BOOL ok = CurrentInternetCalls().read(url_, into, want, &read);
        *got = ok ? read : 0;
        return ok != FALSE;
    }

private:
    HINTERNET url_;
};

// The answer's HTTP status; 0 when it cannot be read.
DWORD AnswerStatus(HINTERNET url)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!CurrentInternetCalls().queryInfo(url, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                                          nullptr)) {
        return 0;
    }
    return status;
}

// The picture is asked for without cookies, and none it is sent is kept: any
// page can make the handler send this request, the portal's picture needs
// none, and the jar is WinINet's, not that of the browser the user runs
// (Chrome, Firefox and Edge keep their own). Under Wine the jar's lookup took
// more than half of an install check's time.
constexpr DWORD ImageRequestFlags = INTERNET_FLAG_NO_COOKIES;

// Requests share the session's kept connections. A server that drops a kept
// connection just as a request arrives on it (its keep-alive time ran out)
// resets it, and the platform fails that request rather than send it again;
// it discards the connection, so the request is sent once more, on a new one.
// Every other failure (a refused connection, a time-out) is the answer.
HINTERNET OpenImageUrl(HINTERNET root)
{
    InternetCalls& calls = CurrentInternetCalls();
    HINTERNET url = calls.openUrl(root, zentaris::InstallCheckImageUrl, nullptr, 0xFFFFFFFF, ImageRequestFlags, 0);
    if (url) return url;
    const DWORD error = GetLastError();
    if (error != ERROR_INTERNET_CONNECTION_RESET && error != ERROR_INTERNET_CONNECTION_ABORTED) return nullptr;
    return calls.openUrl(root, zentaris::InstallCheckImageUrl, nullptr, 0xFFFFFFFF, ImageRequestFlags, 0);
}

}  // namespace

}  // namespace zenproto

HRESULT CZentarisPluggableProtocol::OpenImage(IInternetProtocolSink* sink, bool launch)
{
    using namespace zenproto;
    m_session = LeaseInternetSession();
    if (!m_session) {
        return ReportFailure(sink, ErrorInternetOpen, launch ? L"InternetOpen failed" : L"Internet Open failed");
    }
    m_hUrl.reset(OpenImageUrl(m_session.get()));
    const DWORD error = m_hUrl ? 0 : GetLastError();
    const DWORD status = m_hUrl ? AnswerStatus(m_hUrl.get()) : 0;
    m_log.Write(m_hUrl ? "the portal's image: HTTP " + std::to_string(status)
                       : "the portal's image: no answer, error " + std::to_string(error));
    // Only a 200 answer is the portal's image: an error page's body is not,
    // and an answer whose status cannot be read is no answer either. Any
    // other status ends the request as if the portal had not answered at all.
    if (status != 200) {
        CloseImage();
        return ReportFailure(sink, ErrorOpenUrl, launch ? L"InternetOpenURL failed" : L"InternetOpenURL Failed");
    }
    sink->ReportProgress(BINDSTATUS_VERIFIEDMIMETYPEAVAILABLE, L"image/gif");
    return S_OK;
}

HRESULT CZentarisPluggableProtocol::TransferImage(IInternetProtocolSink* sink)
{
    using namespace zenproto;
    InternetBody body(m_hUrl.get());
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (TransferBody(body, CurrentImageAllocator(), &data, &size) != TransferResult::Complete) {
        return ReportFailure(sink, ErrorOutOfMemory, L"out of memmory");
    }
    m_log.Write("the portal's image: " + std::to_string(size) + " bytes for the browser");
    // One request per object; should a caller start it again, the image it
    // already holds is given back rather than lost.
    if (m_pData) CurrentImageAllocator().Release(m_pData);
    m_pData = data;
    m_cbData = size;
    m_bDataReady = 1;
    // The browser may Read from within ReportData: everything is in place
    // and the handles are closed before it is called.
    CloseImage();
    sink->ReportData(BSCF_FIRSTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE, 0, m_cbData);
    return S_OK;
}

void CZentarisPluggableProtocol::CloseImage()
{
    m_hUrl.reset();
    m_session.reset();
}
