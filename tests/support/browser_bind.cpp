#include "browser_bind.h"

namespace browser {

namespace {

class Callback : public IBindStatusCallback {
public:
    explicit Callback(BindResult& result) : result_(result) {}

    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IBindStatusCallback)) return E_NOINTERFACE;
        *ppv = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    // Lives on the caller's stack for the whole bind.
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }

    STDMETHOD(OnStartBinding)(DWORD, IBinding*) override { return S_OK; }
    STDMETHOD(GetPriority)(LONG*) override { return E_NOTIMPL; }
    STDMETHOD(OnLowResource)(DWORD) override { return S_OK; }
    STDMETHOD(OnProgress)(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    STDMETHOD(OnStopBinding)(HRESULT hr, LPCWSTR text) override
    {
        result_.stopped = true;
        result_.stopResult = hr;
        result_.stopText = text ? text : L"";
        return S_OK;
    }
    STDMETHOD(GetBindInfo)(DWORD* flags, BINDINFO* info) override
    {
        *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
        const ULONG size = info->cbSize;
        ZeroMemory(info, size);
        info->cbSize = size;
        return S_OK;
    }
    STDMETHOD(OnDataAvailable)(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override
    {
        if (!medium || medium->tymed != TYMED_ISTREAM || !medium->pstm) return S_OK;
        char buffer[4096];
        ULONG got = 0;
        while (medium->pstm->Read(buffer, sizeof buffer, &got) == S_OK && got > 0) {
            result_.bytes.append(buffer, got);
        }
        return S_OK;
    }
    STDMETHOD(OnObjectAvailable)(REFIID, IUnknown*) override { return S_OK; }

private:
    BindResult& result_;
};

}  // namespace

BindResult Bind(const std::wstring& url, size_t enough, DWORD timeoutMs)
{
    BindResult result;
    Callback callback(result);
    IMoniker* moniker = nullptr;
    result.bindResult = CreateURLMonikerEx(nullptr, url.c_str(), &moniker, URL_MK_UNIFORM);
    if (FAILED(result.bindResult)) return result;
    IBindCtx* context = nullptr;
    result.bindResult = CreateAsyncBindCtx(0, &callback, nullptr, &context);
    if (FAILED(result.bindResult)) {
        moniker->Release();
        return result;
    }
    IStream* stream = nullptr;
    result.bindResult = moniker->BindToStorage(context, nullptr, IID_IStream, reinterpret_cast<void**>(&stream));
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!result.stopped && result.bytes.size() < enough && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    if (stream) stream->Release();
    context->Release();
    moniker->Release();
    return result;
}

}  // namespace browser
