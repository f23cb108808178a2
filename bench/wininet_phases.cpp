#include "wininet_phases.h"

#include <urlmon.h>
#include <wininet.h>

#include <cstring>
#include <set>

namespace bench {

namespace {

enum Kind {
    KindOpen,
    KindOpenUrl,
    KindConnect,
    KindOpenRequest,
    KindSend,
    KindQueryInfo,
    KindDataAvailable,
    KindRead,
    KindClose,
    KindOptions,
    KindCache,
    KindCount
};

const char* const kindNames[KindCount] = {
    "InternetOpen",       "InternetOpenUrl", "InternetConnect",  "HttpOpenRequest",
    "HttpSendRequest",    "HttpQueryInfo",   "QueryDataAvailable", "InternetReadFile",
    "InternetCloseHandle", "options",        "cache",
};

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Ms(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e3 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// urlmon's own calls come from WinINet's worker threads too.
struct Record {
    CRITICAL_SECTION lock;
    bool active = false;
    LONGLONG start = 0, started = 0, first = 0, last = 0;
    LONGLONG ticks[KindCount] = {};
    int calls[KindCount] = {};
    Record() { InitializeCriticalSection(&lock); }
};

Record& TheRecord()
{
    static Record record;
    return record;
}

class CallClock {
public:
    explicit CallClock(Kind kind) : kind_(kind), start_(Now()) {}
    CallClock(const CallClock&) = delete;
    CallClock& operator=(const CallClock&) = delete;
    ~CallClock()
    {
        const LONGLONG end = Now();
        Record& r = TheRecord();
        EnterCriticalSection(&r.lock);
        if (r.active) {
            r.ticks[kind_] += end - start_;
            ++r.calls[kind_];
            if (r.first == 0 || start_ < r.first) r.first = start_;
            if (end > r.last) r.last = end;
        }
        LeaveCriticalSection(&r.lock);
    }

private:
    Kind kind_;
    LONGLONG start_;
};

// One wrapper per WinINet function: the platform's entry, timed.
#define ZEN_TIMED(kind, Ret, Name, Params, Args)        \
    Ret(WINAPI* real##Name) Params = nullptr;           \
    Ret WINAPI Timed##Name Params                       \
    {                                                   \
        const CallClock clock(kind);                    \
        return real##Name Args;                         \
    }

ZEN_TIMED(KindOpen, HINTERNET, InternetOpenW, (LPCWSTR a, DWORD b, LPCWSTR c, LPCWSTR d, DWORD e), (a, b, c, d, e))
ZEN_TIMED(KindOpenUrl, HINTERNET, InternetOpenUrlW,
          (HINTERNET a, LPCWSTR b, LPCWSTR c, DWORD d, DWORD e, DWORD_PTR f), (a, b, c, d, e, f))
ZEN_TIMED(KindConnect, HINTERNET, InternetConnectW,
          (HINTERNET a, LPCWSTR b, INTERNET_PORT c, LPCWSTR d, LPCWSTR e, DWORD f, DWORD g, DWORD_PTR h),
          (a, b, c, d, e, f, g, h))
ZEN_TIMED(KindOpenRequest, HINTERNET, HttpOpenRequestW,
          (HINTERNET a, LPCWSTR b, LPCWSTR c, LPCWSTR d, LPCWSTR e, LPCWSTR* f, DWORD g, DWORD_PTR h),
          (a, b, c, d, e, f, g, h))
ZEN_TIMED(KindSend, BOOL, HttpSendRequestW, (HINTERNET a, LPCWSTR b, DWORD c, LPVOID d, DWORD e), (a, b, c, d, e))
ZEN_TIMED(KindSend, BOOL, HttpSendRequestExW,
          (HINTERNET a, LPINTERNET_BUFFERSW b, LPINTERNET_BUFFERSW c, DWORD d, DWORD_PTR e), (a, b, c, d, e))
ZEN_TIMED(KindQueryInfo, BOOL, HttpQueryInfoW, (HINTERNET a, DWORD b, LPVOID c, LPDWORD d, LPDWORD e),
          (a, b, c, d, e))
ZEN_TIMED(KindQueryInfo, BOOL, HttpQueryInfoA, (HINTERNET a, DWORD b, LPVOID c, LPDWORD d, LPDWORD e),
          (a, b, c, d, e))
ZEN_TIMED(KindDataAvailable, BOOL, InternetQueryDataAvailable, (HINTERNET a, LPDWORD b, DWORD c, DWORD_PTR d),
          (a, b, c, d))
ZEN_TIMED(KindRead, BOOL, InternetReadFile, (HINTERNET a, LPVOID b, DWORD c, LPDWORD d), (a, b, c, d))
ZEN_TIMED(KindClose, BOOL, InternetCloseHandle, (HINTERNET a), (a))
ZEN_TIMED(KindOptions, BOOL, InternetSetOptionW, (HINTERNET a, DWORD b, LPVOID c, DWORD d), (a, b, c, d))
ZEN_TIMED(KindOptions, BOOL, InternetQueryOptionW, (HINTERNET a, DWORD b, LPVOID c, LPDWORD d), (a, b, c, d))
ZEN_TIMED(KindOptions, INTERNET_STATUS_CALLBACK, InternetSetStatusCallbackW, (HINTERNET a, INTERNET_STATUS_CALLBACK b),
          (a, b))
ZEN_TIMED(KindCache, BOOL, CreateUrlCacheEntryW, (LPCWSTR a, DWORD b, LPCWSTR c, LPWSTR d, DWORD e),
          (a, b, c, d, e))
ZEN_TIMED(KindCache, BOOL, CommitUrlCacheEntryW,
          (LPCWSTR a, LPCWSTR b, FILETIME c, FILETIME d, DWORD e, LPWSTR f, DWORD g, LPCWSTR h, LPCWSTR i),
          (a, b, c, d, e, f, g, h, i))
ZEN_TIMED(KindCache, BOOL, InternetLockRequestFile, (HINTERNET a, HANDLE* b), (a, b))
ZEN_TIMED(KindCache, BOOL, InternetUnlockRequestFile, (HANDLE a), (a))

#undef ZEN_TIMED

struct Hook {
    const char* name;
    void* timed;
    void** real;
};

#define ZEN_HOOK(Name) {#Name, reinterpret_cast<void*>(Timed##Name), reinterpret_cast<void**>(&real##Name)}
const Hook hooks[] = {
    ZEN_HOOK(InternetOpenW),        ZEN_HOOK(InternetOpenUrlW),           ZEN_HOOK(InternetConnectW),
    ZEN_HOOK(HttpOpenRequestW),     ZEN_HOOK(HttpSendRequestW),           ZEN_HOOK(HttpSendRequestExW),
    ZEN_HOOK(HttpQueryInfoW),       ZEN_HOOK(HttpQueryInfoA),             ZEN_HOOK(InternetQueryDataAvailable),
    ZEN_HOOK(InternetReadFile),     ZEN_HOOK(InternetCloseHandle),        ZEN_HOOK(InternetSetOptionW),
    ZEN_HOOK(InternetQueryOptionW), ZEN_HOOK(InternetSetStatusCallbackW), ZEN_HOOK(CreateUrlCacheEntryW),
    ZEN_HOOK(CommitUrlCacheEntryW), ZEN_HOOK(InternetLockRequestFile),    ZEN_HOOK(InternetUnlockRequestFile),
};
#undef ZEN_HOOK

void MarkStart()
{
    const LONGLONG now = Now();
    Record& r = TheRecord();
    EnterCriticalSection(&r.lock);
    if (r.active && r.started == 0) r.started = now;
    LeaveCriticalSection(&r.lock);
}

using StartCall = HRESULT(STDMETHODCALLTYPE*)(IInternetProtocol*, LPCWSTR, IInternetProtocolSink*,
                                              IInternetBindInfo*, DWORD, HANDLE_PTR);
StartCall realStart[2] = {};

template <int N>
HRESULT STDMETHODCALLTYPE TimedStart(IInternetProtocol* self, LPCWSTR url, IInternetProtocolSink* sink,
                                     IInternetBindInfo* info, DWORD flags, HANDLE_PTR reserved)
{
    MarkStart();
    return realStart[N](self, url, sink, info, flags, reserved);
}

const StartCall timedStart[2] = {TimedStart<0>, TimedStart<1>};

// Start is the fourth entry of every IInternetProtocol table.
constexpr int StartSlot = 3;

bool ReplaceStart(IInternetProtocol* protocol, int& used)
{
    void** table = *reinterpret_cast<void***>(protocol);
    void** slot = &table[StartSlot];
    for (int i = 0; i < used; ++i) {
        if (*slot == reinterpret_cast<void*>(timedStart[i])) return true;  // the same table again
    }
    if (used == 2) return false;
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return false;
    realStart[used] = reinterpret_cast<StartCall>(*slot);
    *slot = reinterpret_cast<void*>(timedStart[used]);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    ++used;
    return true;
}

// The controlling unknown of an aggregated handler made only to reach its
// interface table.
class Outer : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override
    {
        *ppv = iid == IID_IUnknown ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
};

}  // namespace

bool TimeStartOf(HMODULE module, const CLSID& clsid)
{
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto get = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (!get || FAILED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return false;
    static int used = 0;
    bool ok = false;
    IInternetProtocol* alone = nullptr;
    if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IInternetProtocol, reinterpret_cast<void**>(&alone)))) {
        ok = ReplaceStart(alone, used);
        alone->Release();
    }
    Outer outer;
    IUnknown* inner = nullptr;
    if (ok && SUCCEEDED(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)))) {
        IInternetProtocol* contained = nullptr;
        if (SUCCEEDED(inner->QueryInterface(IID_IInternetProtocol, reinterpret_cast<void**>(&contained)))) {
            ok = ReplaceStart(contained, used);
            contained->Release();
        } else {
            ok = false;
        }
        inner->Release();
    }
    factory->Release();
    return ok;
}

bool TimeWinInetCallsOf(HMODULE module)
{
    static std::set<HMODULE> patched;
    if (!module) return false;
    if (patched.count(module)) return true;
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return false;
    int replaced = 0;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); d->Name; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), "wininet.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                          : d->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Hook& hook : hooks) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), hook.name) != 0) continue;
                DWORD protection = 0;
                if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection)) {
                    break;
                }
                *hook.real = reinterpret_cast<void*>(slots->u1.Function);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook.timed);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
                ++replaced;
                break;
            }
        }
    }
    if (replaced == 0) return false;
    patched.insert(module);
    return true;
}

bool RegisteredHandler(const std::wstring& scheme, CLSID* clsid, std::wstring* path)
{
    wchar_t text[64] = {};
    DWORD size = sizeof text;
    const std::wstring handler = L"PROTOCOLS\\Handler\\" + scheme;
    if (RegGetValueW(HKEY_CLASSES_ROOT, handler.c_str(), L"CLSID", RRF_RT_REG_SZ, nullptr, text, &size) !=
            ERROR_SUCCESS ||
        FAILED(CLSIDFromString(text, clsid))) {
        return false;
    }
    wchar_t file[MAX_PATH] = {};
    size = sizeof file;
    const std::wstring server = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
    if (RegGetValueW(HKEY_CLASSES_ROOT, server.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, file, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    *path = file;
    return true;
}

void BeginBindPhases()
{
    Record& r = TheRecord();
    EnterCriticalSection(&r.lock);
    r.active = true;
    r.start = Now();
    r.started = r.first = r.last = 0;
    for (int k = 0; k < KindCount; ++k) {
        r.ticks[k] = 0;
        r.calls[k] = 0;
    }
    LeaveCriticalSection(&r.lock);
}

BindPhases EndBindPhases()
{
    const LONGLONG end = Now();
    Record& r = TheRecord();
    EnterCriticalSection(&r.lock);
    r.active = false;
    BindPhases phases;
    LONGLONG inCalls = 0;
    for (int k = 0; k < KindCount; ++k) {
        phases.calls.push_back({kindNames[k], Ms(r.ticks[k]), r.calls[k]});
        inCalls += r.ticks[k];
    }
    const LONGLONG from = r.started ? r.started : r.start;
    if (r.started) phases.toStartMs = Ms(r.started - r.start);
    if (r.first == 0) {
        phases.beforeMs = Ms(end - from);
    } else {
        phases.beforeMs = Ms(r.first - from);
        // Calls on several threads at once may overlap.
        const LONGLONG between = (r.last - r.first) - inCalls;
        phases.betweenMs = between > 0 ? Ms(between) : 0;
        phases.afterMs = Ms(end - r.last);
    }
    LeaveCriticalSection(&r.lock);
    return phases;
}

}  // namespace bench
