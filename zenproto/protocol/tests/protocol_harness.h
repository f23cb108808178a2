// Drives CZentarisPluggableProtocol directly: a sink that records every call
// in order, the object made through its creator, the stand-in launcher, and
// stand-ins for WinINet calls and image memory.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "com_ptr.h"
#include "image_transfer.h"
#include "internet_calls.h"
#include "text_conversion.h"
#include "unique_handle.h"

namespace harness {

// One sink call as text: "progress 1 Finding stuff(zentaris)",
// "data 9 0 43", "result 0x80004005 101 invalid protocol".
class RecordingSink : public IInternetProtocolSink {
public:
    std::vector<std::string> calls;
    // Runs inside ReportData and ReportResult, before they return.
    std::function<void()> onData;
    std::function<void()> onResult;

    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(Switch)(PROTOCOLDATA*) override;
    STDMETHOD(ReportProgress)(ULONG status, LPCWSTR text) override;
    STDMETHOD(ReportData)(DWORD flags, ULONG progress, ULONG maximum) override;
    STDMETHOD(ReportResult)(HRESULT result, DWORD error, LPCWSTR text) override;
};

// The sink calls every successful request starts with.
std::vector<std::string> Progress();
std::string MimeReport();
std::string Data(size_t size);
std::string Result(DWORD code, const std::string& text);
std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b);

// A protocol object made by the class's instance creator (standalone),
// released at the end of scope.
class Protocol {
public:
    Protocol();
    IInternetProtocol* operator->() const { return protocol_.get(); }
    IInternetProtocol* Get() const { return protocol_.get(); }
    HRESULT Start(const std::wstring& url, RecordingSink& sink);
    // Reads everything in reads of `chunk` bytes; the bytes, or empty when
    // the first read already answered S_FALSE.
    std::string ReadAll(ULONG chunk = 4096);

private:
    testsupport::ComPtr<IInternetProtocol> protocol_;
};

// The stand-in launcher as "LauncherPath", recording its command line.
class StandInLauncher {
public:
    // Copies the stand-in to `fileName` in a fresh folder `folderName` under
    // the temporary folder and writes its path to LauncherPath under `root`.
    // Started stand-ins record to the one made last.
    StandInLauncher(const std::wstring& folderName = L"zen launcher", const std::wstring& fileName = L"ZentarisLauncher.exe",
                    HKEY root = HKEY_CURRENT_USER);
    ~StandInLauncher();
    StandInLauncher(const StandInLauncher&) = delete;
    StandInLauncher& operator=(const StandInLauncher&) = delete;

    const std::wstring& Path() const { return path_; }
    // The command line it was started with, waiting up to timeoutMs; empty
    // optional when it was not started in that time.
    std::optional<std::wstring> CommandLine(DWORD timeoutMs);

private:
    std::wstring folder_, path_, record_;
    zentaris::UniqueKernelHandle event_;
};

// LauncherPath under `root` (the user's, or the machine's in this program's
// registry view) written as raw UTF-16 data (any length, terminator or not);
// RemoveLauncherPath deletes the value.
void WriteLauncherPath(const std::wstring& data, bool withTerminator = true, HKEY root = HKEY_CURRENT_USER);
void RemoveLauncherPath(HKEY root = HKEY_CURRENT_USER);

// Stands in for WinINet calls for one scope and counts the handles opened
// and closed through the table (from any thread). The module's session is
// closed as the scope begins and ends, so the scope's first request opens
// it through the table.
class InternetCallsScope {
public:
    InternetCallsScope();
    ~InternetCallsScope();
    void FailRootHandle();
    void RestoreRootHandle();
    void FailReadsAfter(int successfulReads);
    // Makes every read wait until ReleaseReads; WaitForHeldReads waits (up to
    // timeoutMs) until `count` reads are waiting.
    void HoldReads();
    bool WaitForHeldReads(int count, DWORD timeoutMs);
    void ReleaseReads();
    int Opened() const;
    int Closed() const;
    int RootsOpened() const;
    // The most handles open at one moment.
    int MostOpenAtOnce() const;
    // Arguments of the last root handle and URL opened:
    // "agent|access|proxy|bypass|flags" and "url|headers|length|flags|context".
    std::wstring RootArguments() const;
    std::wstring UrlArguments() const;
};

// Image memory from the C heap, failing the allocation call numbered failAt
// (1-based); counts blocks not yet released. Installed for its scope.
class FailingAllocator : public zenproto::ImageAllocator {
public:
    explicit FailingAllocator(int failAt);
    ~FailingAllocator() override;
    void* Allocate(size_t bytes) override;
    void* Resize(void* block, size_t bytes) override;
    void Release(void* block) override;
    int Outstanding() const { return outstanding_; }

private:
    int failAt_;
    int calls_ = 0;
    int outstanding_ = 0;
};

using testsupport::Narrow;

}  // namespace harness
