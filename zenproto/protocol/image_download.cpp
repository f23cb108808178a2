// The install-check image: opened before anything else of a request is done,
// read whole and announced last.
#include <string>

#include "image_transfer.h"
#include "pluggable_protocol.h"
#include "portal_config.h"

namespace zenproto {

InternetCalls& CurrentInternetCalls()
{
    static InternetCalls calls;
    return calls;
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

}  // namespace

}  // namespace zenproto

HRESULT CZentarisPluggableProtocol::OpenImage(IInternetProtocolSink* sink, bool launch)
{
    using namespace zenproto;
    InternetCalls& calls = CurrentInternetCalls();
    m_hInternet.reset(calls.open(L"Zentaris launcher", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!m_hInternet) {
        return ReportFailure(sink, ErrorInternetOpen, launch ? L"InternetOpen failed" : L"Internet Open failed");
    }
    m_hUrl.reset(calls.openUrl(m_hInternet.get(), zentaris::InstallCheckImageUrl, nullptr, 0xFFFFFFFF, 0, 0));
    const DWORD status = m_hUrl ? AnswerStatus(m_hUrl.get()) : 0;
    m_log.Write(m_hUrl ? "the portal's image: HTTP " + std::to_string(status)
                       : "the portal's image: no answer, error " + std::to_string(GetLastError()));
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
    m_hInternet.reset();
}
