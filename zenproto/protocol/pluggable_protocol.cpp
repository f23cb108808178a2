#include "pluggable_protocol.h"

#include <cwchar>
#include <cstring>

#include "image_transfer.h"
#include "trace.h"
#include "url_grammar.h"

using zenproto::UrlCommand;

namespace zenproto {

HRESULT ReportFailure(IInternetProtocolSink* sink, ProtocolError code, const wchar_t* text)
{
    ZEN_TRACE_LINE("failure %lu %s", static_cast<unsigned long>(code), TraceText(text).c_str());
    sink->ReportResult(E_FAIL, code, text);
    return S_FALSE;
}

}  // namespace zenproto

CZentarisPluggableProtocol::CZentarisPluggableProtocol()
    : m_cbPos(0), m_bDataReady(0), m_pData(nullptr), m_cbData(0)
{
}

CZentarisPluggableProtocol::~CZentarisPluggableProtocol()
{
    if (m_pData) zenproto::CurrentImageAllocator().Release(m_pData);
}

const ComInterfaceEntry* CZentarisPluggableProtocol::_GetEntries()
{
    static const ComInterfaceEntry entries[] = {
        {&IID_IInternetProtocolInfo, ComInterfaceOffset<CZentarisPluggableProtocol, IInternetProtocolInfo>()},
        {&IID_IInternetProtocol, ComInterfaceOffset<CZentarisPluggableProtocol, IInternetProtocol>()},
        {&IID_IInternetProtocolRoot, ComInterfaceOffset<CZentarisPluggableProtocol, IInternetProtocol>()},
        {nullptr, 0},
    };
    return entries;
}

STDMETHODIMP CZentarisPluggableProtocol::Start(LPCWSTR szUrl, IInternetProtocolSink* pOIProtSink,
                                               IInternetBindInfo*, DWORD, HANDLE_PTR)
{
    ZEN_TRACE_LINE("Start %s", zenproto::TraceText(szUrl).c_str());
    // Without a sink there is nobody to answer; nothing is done.
    if (!pOIProtSink) return S_FALSE;
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
    const std::u16string_view url =
        szUrl ? std::u16string_view(reinterpret_cast<const char16_t*>(szUrl), wcslen(szUrl)) : std::u16string_view();

    const UrlCommand command = zenproto::ClassifyUrl(url);
    switch (command) {
    case UrlCommand::NoScheme:
        return S_FALSE;
    case UrlCommand::WrongScheme:
        return zenproto::ReportFailure(pOIProtSink, zenproto::ErrorInvalidProtocol, L"invalid protocol");
    case UrlCommand::BadSyntax:
        return zenproto::ReportFailure(pOIProtSink, zenproto::ErrorInvalidSyntax, L"invalid syntax");
    default:
        break;
    }

    pOIProtSink->ReportProgress(BINDSTATUS_FINDINGRESOURCE, L"Finding stuff(zentaris)");
    pOIProtSink->ReportProgress(BINDSTATUS_CONNECTING, L"Connection to zentaris resource");
    pOIProtSink->ReportProgress(BINDSTATUS_SENDINGREQUEST, L"Sending Request");

    if (command == UrlCommand::VersionTooHigh) {
        return zenproto::ReportFailure(pOIProtSink, zenproto::ErrorInvalidVersion, L"invalid version");
    }
    const bool launch = command == UrlCommand::Launch;
    HRESULT hr = OpenImage(pOIProtSink, launch);
    if (hr == S_OK && launch) hr = StartLauncher(pOIProtSink, url);
    if (hr == S_OK) hr = TransferImage(pOIProtSink);
    CloseImage();
    return hr;
}

STDMETHODIMP CZentarisPluggableProtocol::Continue(PROTOCOLDATA*) { return S_OK; }
STDMETHODIMP CZentarisPluggableProtocol::Abort(HRESULT, DWORD) { return S_OK; }
STDMETHODIMP CZentarisPluggableProtocol::Terminate(DWORD) { return S_OK; }
STDMETHODIMP CZentarisPluggableProtocol::Suspend() { return E_NOTIMPL; }
STDMETHODIMP CZentarisPluggableProtocol::Resume() { return E_NOTIMPL; }

STDMETHODIMP CZentarisPluggableProtocol::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    if (m_bDataReady != 1) return S_FALSE;
    if (m_cbPos >= m_cbData) return S_FALSE;
    const ULONG left = m_cbData - m_cbPos;
    const ULONG n = cb < left ? cb : left;
    if (n > 0 && !pv) return E_POINTER;
    if (n > 0) std::memcpy(pv, m_pData + m_cbPos, n);
    m_cbPos += n;
    if (pcbRead) *pcbRead = n;
    return S_OK;
}

STDMETHODIMP CZentarisPluggableProtocol::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) { return E_NOTIMPL; }
STDMETHODIMP CZentarisPluggableProtocol::LockRequest(DWORD) { return S_OK; }
STDMETHODIMP CZentarisPluggableProtocol::UnlockRequest() { return S_OK; }

STDMETHODIMP CZentarisPluggableProtocol::ParseUrl(LPCWSTR, PARSEACTION, DWORD, LPWSTR, DWORD, DWORD*, DWORD)
{
    return INET_E_DEFAULT_ACTION;
}

STDMETHODIMP CZentarisPluggableProtocol::CombineUrl(LPCWSTR, LPCWSTR, DWORD, LPWSTR, DWORD, DWORD*, DWORD)
{
    return INET_E_DEFAULT_ACTION;
}

STDMETHODIMP CZentarisPluggableProtocol::CompareUrl(LPCWSTR, LPCWSTR, DWORD) { return INET_E_DEFAULT_ACTION; }

STDMETHODIMP CZentarisPluggableProtocol::QueryInfo(LPCWSTR, QUERYOPTION, DWORD, LPVOID, DWORD, DWORD*, DWORD)
{
    return INET_E_DEFAULT_ACTION;
}
