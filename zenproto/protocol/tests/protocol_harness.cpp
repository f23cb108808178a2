#include "protocol_harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "installation.h"
#include "pluggable_protocol.h"
#include "text_conversion.h"
#include "uiauto.h"

namespace harness {

STDMETHODIMP RecordingSink::QueryInterface(REFIID iid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IInternetProtocolSink)) return E_NOINTERFACE;
    *ppv = static_cast<IInternetProtocolSink*>(this);
    return S_OK;
}

STDMETHODIMP RecordingSink::Switch(PROTOCOLDATA*)
{
    calls.push_back("switch");
    return S_OK;
}

STDMETHODIMP RecordingSink::ReportProgress(ULONG status, LPCWSTR text)
{
    calls.push_back("progress " + std::to_string(status) + " " + Narrow(text ? text : L"(null)"));
    return S_OK;
}

STDMETHODIMP RecordingSink::ReportData(DWORD flags, ULONG progress, ULONG maximum)
{
    calls.push_back("data " + std::to_string(flags) + " " + std::to_string(progress) + " " + std::to_string(maximum));
    if (onData) onData();
    return S_OK;
}

STDMETHODIMP RecordingSink::ReportResult(HRESULT result, DWORD error, LPCWSTR text)
{
    char hr[16];
    std::snprintf(hr, sizeof hr, "0x%08lX", static_cast<unsigned long>(result));
    calls.push_back(std::string("result ") + hr + " " + std::to_string(error) + " " + Narrow(text ? text : L"(null)"));
    if (onResult) onResult();
    return S_OK;
}

std::vector<std::string> Progress()
{
    return {"progress 1 Finding stuff(zentaris)", "progress 2 Connection to zentaris resource",
            "progress 11 Sending Request"};
}

std::string MimeReport() { return "progress 22 image/gif"; }

std::string Data(size_t size) { return "data 9 0 " + std::to_string(size); }

std::string Result(DWORD code, const std::string& text) { return "result 0x80004005 " + std::to_string(code) + " " + text; }

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Protocol::Protocol()
{
    CZentarisPluggableProtocol::CreateInstance(nullptr, IID_IInternetProtocol, protocol_.put_void());
}

HRESULT Protocol::Start(const std::wstring& url, RecordingSink& sink)
{
    return protocol_->Start(url.c_str(), &sink, nullptr, 0, 0);
}

std::string Protocol::ReadAll(ULONG chunk)
{
    std::string bytes;
    std::string buffer(chunk, '\0');
    for (;;) {
        ULONG got = 0;
        if (protocol_->Read(buffer.data(), chunk, &got) != S_OK) break;
        bytes.append(buffer.data(), got);
    }
    return bytes;
}

namespace {

std::wstring TempFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, path);
    return path;
}

int counter = 0;

}  // namespace

StandInLauncher::StandInLauncher(const std::wstring& folderName, const std::wstring& fileName, HKEY root)
{
    const std::wstring unique = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    folder_ = TempFolder() + folderName + L" " + unique;
    CreateDirectoryW(folder_.c_str(), nullptr);
    path_ = folder_ + L"\\" + fileName;
    CopyFileW(testsupport::Widen(uiauto::BesideTestProgram("launcher_stand_in.exe")).c_str(), path_.c_str(), FALSE);
    record_ = folder_ + L"\\command line.txt";
    const std::wstring eventName = L"ZenStandInStarted-" + unique;
    event_.reset(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    SetEnvironmentVariableW(L"ZEN_STAND_IN_RECORD", record_.c_str());
    SetEnvironmentVariableW(L"ZEN_STAND_IN_EVENT", eventName.c_str());
    WriteLauncherPath(path_, true, root);
}

StandInLauncher::~StandInLauncher()
{
    DeleteFileW(record_.c_str());
    // The stand-in may still be on its way out; its file goes with the prefix.
    DeleteFileW(path_.c_str());
    RemoveDirectoryW(folder_.c_str());
}

std::optional<std::wstring> StandInLauncher::CommandLine(DWORD timeoutMs)
{
    if (WaitForSingleObject(event_.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    HANDLE opened = CreateFileW(record_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::nullopt;
    const zentaris::UniqueKernelHandle in(opened);
    std::wstring line(GetFileSize(in.get(), nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(in.get(), line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &read, nullptr);
    return line;
}

void WriteLauncherPath(const std::wstring& data, bool withTerminator, HKEY root)
{
    const DWORD bytes = static_cast<DWORD>((data.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t));
    RegSetKeyValueW(root, zentaris::AppBranchW, zentaris::LauncherPathValueW, REG_SZ, data.c_str(), bytes);
}

void RemoveLauncherPath(HKEY root)
{
    RegDeleteKeyValueW(root, zentaris::AppBranchW, zentaris::LauncherPathValueW);
}

namespace {

// Requests may run on several threads at once.
std::atomic<int> opened{0};
std::atomic<int> closed{0};
std::atomic<int> rootsOpened{0};
std::atomic<int> mostOpen{0};
std::atomic<int> readsLeft{-1};  // -1: reads never fail
std::mutex argumentsLock;
std::mutex holdLock;
std::condition_variable holdChanged;
bool holding = false;
int heldReads = 0;
std::wstring rootArguments;
std::wstring urlArguments;

void CountOpened()
{
    const int now = ++opened - closed;
    int most = mostOpen.load();
    while (now > most && !mostOpen.compare_exchange_weak(most, now)) {
    }
}

std::wstring Text(LPCWSTR text) { return text ? text : L"(null)"; }

HINTERNET WINAPI CountedOpen(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags)
{
    {
        const std::lock_guard<std::mutex> hold(argumentsLock);
        rootArguments = Text(agent) + L"|" + std::to_wstring(access) + L"|" + Text(proxy) + L"|" + Text(bypass) +
                        L"|" + std::to_wstring(flags);
    }
    HINTERNET handle = InternetOpenW(agent, access, proxy, bypass, flags);
    if (handle) {
        ++rootsOpened;
        CountOpened();
    }
    return handle;
}

HINTERNET WINAPI FailedOpen(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

HINTERNET WINAPI CountedOpenUrl(HINTERNET root, LPCWSTR url, LPCWSTR headers, DWORD length, DWORD flags,
                                DWORD_PTR context)
{
    {
        const std::lock_guard<std::mutex> hold(argumentsLock);
        urlArguments = Text(url) + L"|" + Text(headers) + L"|" + std::to_wstring(length) + L"|" +
                       std::to_wstring(flags) + L"|" + std::to_wstring(context);
    }
    HINTERNET handle = InternetOpenUrlW(root, url, headers, length, flags, context);
    if (handle) CountOpened();
    return handle;
}

BOOL WINAPI LimitedRead(HINTERNET handle, LPVOID buffer, DWORD want, LPDWORD got)
{
    {
        std::unique_lock<std::mutex> hold(holdLock);
        if (holding) {
            ++heldReads;
            holdChanged.notify_all();
            holdChanged.wait(hold, [] { return !holding; });
            --heldReads;
        }
    }
    int left = readsLeft.load();
    while (left > 0 && !readsLeft.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 0) {
        SetLastError(ERROR_INTERNET_CONNECTION_RESET);
        return FALSE;
    }
    return InternetReadFile(handle, buffer, want, got);
}

BOOL WINAPI CountedClose(HINTERNET handle)
{
    ++closed;
    return InternetCloseHandle(handle);
}

}  // namespace

InternetCallsScope::InternetCallsScope()
{
    // A session opened outside the scope would be neither counted nor failed.
    EXPECT_TRUE(zenproto::CloseIdleInternetSession()) << "a request still holds the session";
    opened = closed = rootsOpened = mostOpen = 0;
    readsLeft = -1;
    rootArguments.clear();
    urlArguments.clear();
    zenproto::InternetCalls& calls = zenproto::CurrentInternetCalls();
    calls.open = CountedOpen;
    calls.openUrl = CountedOpenUrl;
    calls.read = LimitedRead;
    calls.close = CountedClose;
}

InternetCallsScope::~InternetCallsScope()
{
    ReleaseReads();
    EXPECT_TRUE(zenproto::CloseIdleInternetSession()) << "a request still holds the session";
    zenproto::CurrentInternetCalls() = zenproto::InternetCalls{};
}

void InternetCallsScope::FailRootHandle() { zenproto::CurrentInternetCalls().open = FailedOpen; }

void InternetCallsScope::RestoreRootHandle() { zenproto::CurrentInternetCalls().open = CountedOpen; }

void InternetCallsScope::FailReadsAfter(int successfulReads) { readsLeft = successfulReads; }

void InternetCallsScope::HoldReads()
{
    const std::lock_guard<std::mutex> hold(holdLock);
    holding = true;
}

bool InternetCallsScope::WaitForHeldReads(int count, DWORD timeoutMs)
{
    std::unique_lock<std::mutex> hold(holdLock);
    return holdChanged.wait_for(hold, std::chrono::milliseconds(timeoutMs), [count] { return heldReads >= count; });
}

void InternetCallsScope::ReleaseReads()
{
    {
        const std::lock_guard<std::mutex> hold(holdLock);
        holding = false;
    }
    holdChanged.notify_all();
}

int InternetCallsScope::Opened() const { return opened; }

int InternetCallsScope::Closed() const { return closed; }

int InternetCallsScope::RootsOpened() const { return rootsOpened; }

int InternetCallsScope::MostOpenAtOnce() const { return mostOpen; }

std::wstring InternetCallsScope::RootArguments() const
{
    const std::lock_guard<std::mutex> hold(argumentsLock);
    return rootArguments;
}

std::wstring InternetCallsScope::UrlArguments() const
{
    const std::lock_guard<std::mutex> hold(argumentsLock);
    return urlArguments;
}

FailingAllocator::FailingAllocator(int failAt) : failAt_(failAt) { zenproto::SetImageAllocator(this); }

FailingAllocator::~FailingAllocator() { zenproto::SetImageAllocator(nullptr); }

void* FailingAllocator::Allocate(size_t bytes)
{
    if (++calls_ == failAt_) return nullptr;
    void* block = std::malloc(bytes);
    if (block) ++outstanding_;
    return block;
}

void* FailingAllocator::Resize(void* block, size_t bytes)
{
    if (++calls_ == failAt_) return nullptr;
    return std::realloc(block, bytes);
}

void FailingAllocator::Release(void* block)
{
    if (block) --outstanding_;
    std::free(block);
}

}  // namespace harness
