// CZentarisPluggableProtocol: the handler of one "zentaris:" request. Start
// does the whole request (URL check, image download, launcher start) on the
// caller's thread and reports to the sink before it returns; Read then hands
// out the image. Made only through the wrappers of com_object.h.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string_view>

#include "com_class_factory.h"
#include "internet_calls.h"
#include "support_log_file.h"
#include "zenproto_ids.h"

class CZentarisPluggableProtocol
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CZentarisPluggableProtocol, &zentaris::CLSID_ZentarisPluggableProtocol>,
      public IInternetProtocol,
      public IInternetProtocolInfo {
public:
    CZentarisPluggableProtocol();
    virtual ~CZentarisPluggableProtocol();
    CZentarisPluggableProtocol(const CZentarisPluggableProtocol&) = delete;
    CZentarisPluggableProtocol& operator=(const CZentarisPluggableProtocol&) = delete;

    // IInternetProtocolRoot
    STDMETHOD(Start)(LPCWSTR szUrl, IInternetProtocolSink* pOIProtSink, IInternetBindInfo* pOIBindInfo,
                     DWORD grfPI, HANDLE_PTR dwReserved) override;
    STDMETHOD(Continue)(PROTOCOLDATA* pProtocolData) override;
    STDMETHOD(Abort)(HRESULT hrReason, DWORD dwOptions) override;
    STDMETHOD(Terminate)(DWORD dwOptions) override;
    STDMETHOD(Suspend)() override;
    STDMETHOD(Resume)() override;

    // IInternetProtocol
    STDMETHOD(Read)(void* pv, ULONG cb, ULONG* pcbRead) override;
    STDMETHOD(Seek)(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
    STDMETHOD(LockRequest)(DWORD dwOptions) override;
    STDMETHOD(UnlockRequest)() override;

    // IInternetProtocolInfo: the browser's default handling for every URL.
    STDMETHOD(ParseUrl)(LPCWSTR pwzUrl, PARSEACTION ParseAction, DWORD dwParseFlags, LPWSTR pwzResult,
                        DWORD cchResult, DWORD* pcchResult, DWORD dwReserved) override;
    STDMETHOD(CombineUrl)(LPCWSTR pwzBaseUrl, LPCWSTR pwzRelativeUrl, DWORD dwCombineFlags, LPWSTR pwzResult,
                          DWORD cchResult, DWORD* pcchResult, DWORD dwReserved) override;
    STDMETHOD(CompareUrl)(LPCWSTR pwzUrl1, LPCWSTR pwzUrl2, DWORD dwCompareFlags) override;
    STDMETHOD(QueryInfo)(LPCWSTR pwzUrl, QUERYOPTION QueryOption, DWORD dwQueryFlags, LPVOID pBuffer,
                         DWORD cbBuffer, DWORD* pcbBuf, DWORD dwReserved) override;

    // Interface table: IInternetProtocolInfo first, so it is the identity.
    static const ComInterfaceEntry* _GetEntries();
    HRESULT _InternalQueryInterface(REFIID iid, void** ppv)
    {
        return InternalQueryInterface(this, _GetEntries(), iid, ppv);
    }
    IUnknown* _GetRawUnknown() { return static_cast<IInternetProtocolInfo*>(this); }

private:
    // Ends a failed request: one ReportResult (with E_FAIL), and Start's
    // S_FALSE.
    HRESULT ReportFailure(IInternetProtocolSink* sink, DWORD code, const wchar_t* text);
    HRESULT OpenImage(IInternetProtocolSink* sink, bool launch);
    HRESULT StartLauncher(IInternetProtocolSink* sink, std::u16string_view url);
    HRESULT TransferImage(IInternetProtocolSink* sink);
    void CloseImage();

    ULONG m_cbPos;       // bytes of the image handed out by Read
    BOOL m_bDataReady;   // 1 once the whole image is in m_pData
    zenproto::InternetSessionLease m_session;   // held only within Start
    zenproto::UniqueInternetHandle m_hUrl;      // open only within Start
    BYTE* m_pData;       // the image; the object's until it is destroyed
    ULONG m_cbData;      // valid bytes in m_pData
    zentaris::SupportLog m_log;  // opened by Start: each decision of the request
};

namespace zenproto {

// Error values handed to ReportResult (always with E_FAIL).
enum ProtocolError : DWORD {
    ErrorInvalidVersion = 100,
    ErrorInvalidProtocol = 101,
    ErrorInvalidSyntax = 102,
    ErrorInternetOpen = 103,
    ErrorOpenUrl = 104,
    ErrorNoLauncherPath = 105,
    ErrorOutOfMemory = 106,
    ErrorCommandLineTooLong = 107,
};

// Whether requests write the support log, for the module's life; the module's
// unload forgets its handles.
zentaris::SupportLogSwitch& HandlerLogSwitch();

}  // namespace zenproto
