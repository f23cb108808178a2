#include "pluggable_protocol.h"

#include <cwchar>
#include <cstring>

#include <string>

#include "image_transfer.h"
#include "installation.h"
#include "url_grammar.h"

using zenproto::UrlCommand;

namespace {

// The request's kind for the support log: never the URL itself, which for a
// launch is the whole signed link.
const char* RequestKind(UrlCommand command)
{
    switch (command) {
    case UrlCommand::NoScheme: return "no URL";
    case UrlCommand::WrongScheme: return "another scheme";
    case UrlCommand::BadSyntax: return "no \"://\"";
    case UrlCommand::VersionTooHigh: return "install check for a newer version";
    case UrlCommand::InstallCheck: return "install check";
    case UrlCommand::Launch: return "launch";
    }
    return "";
}

// Texts the handler reports are ASCII.
std::string Ascii(const wchar_t* text)
{
    std::string narrow;
    for (; *text; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
    return narrow;
}

}  // namespace

// Never destroyed: at process detach no other library may be called.
zentaris::SupportLogSwitch& zenproto::HandlerLogSwitch()
{
    static auto* const logSwitch = new zentaris::SupportLogSwitch;
    return *logSwitch;
}

HRESULT CZentarisPluggableProtocol::ReportFailure(IInternetProtocolSink* sink, DWORD code, const wchar_t* text)
{
    m_log.Write("failure " + std::to_string(code) + ": " + Ascii(text));
    sink->ReportResult(E_FAIL, code, text);
    return S_FALSE;
}

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
    // Without a sink there is nobody to answer; nothing is done.
    if (!pOIProtSink) return S_FALSE;
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
    const std::u16string_view url =
        szUrl ? std::u16string_view(reinterpret_cast<const char16_t*>(szUrl), wcslen(szUrl)) : std::u16string_view();

    const UrlCommand command = zenproto::ClassifyUrl(url);
    m_log = zentaris::SupportLog::Open(zentaris::HandlerLogFile, zenproto::HandlerLogSwitch());
    m_log.Write(std::string("request: ") + RequestKind(command) + ", a URL of " + std::to_string(url.size()) +
                " characters");
    switch (command) {
    case UrlCommand::NoScheme:
        return S_FALSE;
    case UrlCommand::WrongScheme:
        return ReportFailure(pOIProtSink, zenproto::ErrorInvalidProtocol, L"invalid protocol");
    case UrlCommand::BadSyntax:
        return ReportFailure(pOIProtSink, zenproto::ErrorInvalidSyntax, L"invalid syntax");
    default:
        break;
    }

    pOIProtSink->ReportProgress(BINDSTATUS_FINDINGRESOURCE, L"Finding stuff(zentaris)");
    pOIProtSink->ReportProgress(BINDSTATUS_CONNECTING, L"Connection to zentaris resource");
    pOIProtSink->ReportProgress(BINDSTATUS_SENDINGREQUEST, L"Sending Request");

    if (command == UrlCommand::VersionTooHigh) {
        return ReportFailure(pOIProtSink, zenproto::ErrorInvalidVersion, L"invalid version");
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
