#include "browser_bind.h"

#include <urlmon.h>

#include "com_ptr.h"

namespace browser {
namespace {

class BindCallback : public IBindStatusCallback {
public:
    explicit BindCallback(BindOutcome& outcome) : outcome_(outcome) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IBindStatusCallback) return E_NOINTERFACE;
        *ppv = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    // Lives on the stack of the bind; the count only guards misuse.
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }

    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG statusCode, LPCWSTR text) override
    {
        outcome_.progress.push_back(statusCode);
        if (statusCode == BINDSTATUS_MIMETYPEAVAILABLE && text) outcome_.mimeType = text;
        return S_OK;
    }
    STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR text) override
    {
        outcome_.stopped = true;
        outcome_.stopResult = result;
        if (text) outcome_.stopText = text;
        return S_OK;
    }
    STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO* info) override
    {
        *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
        const ULONG size = info->cbSize;
        ZeroMemory(info, size);
        info->cbSize = size;
        return S_OK;
    }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override
    {
        if (!medium || medium->tymed != TYMED_ISTREAM || !medium->pstm) return S_OK;
        for (;;) {
            char buffer[700];   // not a multiple of the handler's pieces
            ULONG read = 0;
            HRESULT hr = medium->pstm->Read(buffer, sizeof buffer, &read);
            outcome_.bytes.append(buffer, read);
            if (hr == S_FALSE) outcome_.dataEnded = true;
            if (hr != S_OK || read == 0) break;
        }
        return S_OK;
    }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

private:
    BindOutcome& outcome_;
    LONG refs_ = 1;
};

}  // namespace

BindOutcome BindLikeABrowser(const std::wstring& url, DWORD timeoutMs)
{
    BindOutcome outcome;
    BindCallback callback(outcome);
    testsupport::ComPtr<IMoniker> moniker;
    testsupport::ComPtr<IBindCtx> context;
    testsupport::ComPtr<IStream> stream;
    outcome.bindResult = CreateURLMonikerEx(nullptr, url.c_str(), moniker.put(), URL_MK_UNIFORM);
    if (FAILED(outcome.bindResult)) return outcome;
    outcome.bindResult = CreateAsyncBindCtx(0, &callback, nullptr, context.put());
    if (FAILED(outcome.bindResult)) return outcome;
    outcome.bindResult = moniker->BindToStorage(context.get(), nullptr, IID_IStream, stream.put_void());
    if (FAILED(outcome.bindResult)) {
        outcome.finished = true;
        return outcome;
    }

    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!outcome.stopped && !outcome.dataEnded) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    outcome.finished = outcome.stopped || outcome.dataEnded;
    RevokeBindStatusCallback(context.get(), &callback);
    return outcome;
}

}  // namespace browser
