// The platform's URL layer loading zenproto.dll as the "zentaris:" handler
// and binding to a URL as a browser does (asynchronous, pulling the data):
// the frame hands urlmon its objects (urlmon asks for an aggregate first),
// and the protocol object's answers reach the client.
#include <windows.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <string>

#include "portal_client.h"
#include "uiauto.h"
#include "zenproto_ids.h"

namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Registers the DLL beside the test as the handler of "zentaris:" for this
// prefix, as its registration would, without running it.
void RegisterHandler()
{
    const std::wstring clsid = zentaris::CLSID_ZentarisPluggableProtocolStringW;
    const std::wstring dll = Widen(uiauto::BesideTestProgram("zenproto.dll"));
    HKEY key = nullptr;
    const std::wstring server = L"CLSID\\" + clsid + L"\\InprocServer32";
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, server.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                   static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
    RegSetValueExW(key, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Both"), 5 * sizeof(wchar_t));
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"PROTOCOLS\\Handler\\zentaris", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              0);
    RegSetValueExW(key, L"CLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.c_str()),
                   static_cast<DWORD>((clsid.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// A browser's side of one bind: asks for asynchronous, pulled data and
// reads what is available each time it is told.
class BrowserBind : public IBindStatusCallback {
public:
    std::string bytes;
    bool stopped = false;
    HRESULT stopResult = S_OK;
    std::wstring stopText;

    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IBindStatusCallback)) return E_NOINTERFACE;
        *ppv = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override { return --refs_; }

    STDMETHOD(OnStartBinding)(DWORD, IBinding*) override { return S_OK; }
    STDMETHOD(GetPriority)(LONG*) override { return E_NOTIMPL; }
    STDMETHOD(OnLowResource)(DWORD) override { return S_OK; }
    STDMETHOD(OnProgress)(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    STDMETHOD(OnStopBinding)(HRESULT hr, LPCWSTR text) override
    {
        stopped = true;
        stopResult = hr;
        stopText = text ? text : L"";
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
        char buffer[700];
        ULONG got = 0;
        while (medium->pstm->Read(buffer, sizeof buffer, &got) == S_OK && got > 0) bytes.append(buffer, got);
        return S_OK;
    }
    STDMETHOD(OnObjectAvailable)(REFIID, IUnknown*) override { return S_OK; }

    // Binds to `url` and pumps messages until the bind stops or `enough`
    // bytes have arrived, within a bound.
    HRESULT Run(const std::wstring& url, size_t enough)
    {
        IMoniker* moniker = nullptr;
        HRESULT hr = CreateURLMonikerEx(nullptr, url.c_str(), &moniker, URL_MK_UNIFORM);
        if (FAILED(hr)) return hr;
        IBindCtx* context = nullptr;
        hr = CreateAsyncBindCtx(0, this, nullptr, &context);
        if (FAILED(hr)) {
            moniker->Release();
            return hr;
        }
        IStream* stream = nullptr;
        hr = moniker->BindToStorage(context, nullptr, IID_IStream, reinterpret_cast<void**>(&stream));
        const DWORD deadline = GetTickCount() + 10000;
        while (!stopped && bytes.size() < enough && GetTickCount() < deadline) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        }
        if (stream) stream->Release();
        context->Release();
        moniker->Release();
        return hr;
    }

private:
    ULONG refs_ = 1;
};

class UrlLayerTest : public testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void SetUp() override
    {
        ASSERT_FALSE(portal::BaseUrl().empty()) << "no portal test server";
        ASSERT_TRUE(portal::Reset());
        RegisterHandler();
    }
};

TEST_F(UrlLayerTest, InstallCheckDeliversThePortalImage)
{
    std::string image(3000, '\0');
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 13 + 5);
    ASSERT_TRUE(portal::Serve("/images/space.gif", 200, image));
    for (const wchar_t* url : {L"zentaris://instcheck/1000", L"ZENTARIS://INSTCHECK"}) {
        BrowserBind bind;
        const HRESULT hr = bind.Run(url, image.size());
        EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
        EXPECT_EQ(bind.bytes, image);
        if (bind.stopped) {
            EXPECT_EQ(bind.stopResult, S_OK);
        }
    }
}

TEST_F(UrlLayerTest, RefusedVersionEndsTheBindWithItsText)
{
    BrowserBind bind;
    bind.Run(L"zentaris://instcheck/1002", 1);
    ASSERT_TRUE(bind.stopped) << "the bind did not end";
    EXPECT_EQ(bind.stopResult, E_FAIL);
    EXPECT_EQ(bind.stopText, L"invalid version");
    EXPECT_TRUE(bind.bytes.empty());
    EXPECT_EQ(portal::RequestLog().find("space.gif"), std::string::npos);
}

}  // namespace
