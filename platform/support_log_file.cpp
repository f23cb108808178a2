#include "support_log_file.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "installation.h"
#include "registry.h"
#include "support_log.h"
#include "unique_handle.h"

namespace zentaris {

namespace {

bool SwitchedOn(const RegistryKey& branch)
{
    const std::optional<DWORD> value = branch.Number(LogValue);
    return value && *value != 0;
}

bool SwitchedOnInRegistry() { return SwitchedOn(RegistryKey::Open(HKEY_CURRENT_USER, AppBranch)); }

constexpr ULONGLONG SwitchReadAgainMs = 60 * 1000;

// Lies in the module whose code the thread pool calls back.
const char moduleAnchor = 0;

// LogFolder below the user's local application data, made where missing.
std::wstring LogFolderPath()
{
    PWSTR local = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &local);
    std::wstring folder = SUCCEEDED(found) && local ? local : L"";
    CoTaskMemFree(local);
    if (folder.empty()) return {};
    const std::wstring_view below(LogFolder);
    for (size_t start = 0;;) {
        const size_t end = below.find(L'\\', start);
        folder += L'\\';
        folder += below.substr(start, end - start);
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return {};
        if (end == std::wstring_view::npos) return folder;
        start = end + 1;
    }
}

uint64_t FileBytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

SupportLog SupportLog::Open(const wchar_t* fileName, bool switchedOn)
{
    if (!switchedOn && !SwitchedOnInRegistry()) return {};
    const std::wstring folder = LogFolderPath();
    if (folder.empty()) return {};
    return SupportLog(folder + L'\\' + fileName);
}

SupportLog SupportLog::Open(const wchar_t* fileName, SupportLogSwitch& branch)
{
    return branch.On() ? Open(fileName, true) : SupportLog();
}

bool SupportLogSwitch::On()
{
    const ULONGLONG now = GetTickCount64();
    AcquireSRWLockShared(&lock_);
    const bool fresh = !stale_ && now - readAt_ < SwitchReadAgainMs;
    bool on = on_;
    ReleaseSRWLockShared(&lock_);
    if (fresh) return on;
    AcquireSRWLockExclusive(&lock_);
    if (stale_ || now - readAt_ >= SwitchReadAgainMs) Read(now);
    on = on_;
    ReleaseSRWLockExclusive(&lock_);
    return on;
}

void CALLBACK SupportLogSwitch::Changed(void* self, BOOLEAN)
{
    static_cast<SupportLogSwitch*>(self)->stale_ = true;
}

// The new key is watched before it is read, so that a change in between is
// seen at the next call; without a watch every call reads.
void SupportLogSwitch::Read(ULONGLONG now)
{
    Unwatch();
    if (!changed_) changed_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (changed_) ResetEvent(changed_.get());
    branch_ = RegistryKey::Open(HKEY_CURRENT_USER, AppBranch);
    // A library that holds this switch may be unloaded without being asked
    // first: while the thread pool may call Changed, the module stays.
    const bool pinned = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, &moduleAnchor, pin_.put());
    const bool watched = pinned && changed_ && branch_.WatchValues(changed_.get()) &&
                         RegisterWaitForSingleObject(&wait_, changed_.get(), Changed, this, INFINITE,
                                                     WT_EXECUTEONLYONCE);
    if (!watched) {
        wait_ = nullptr;
        pin_.reset();
    }
    stale_ = !watched;
    on_ = SwitchedOn(branch_);
    readAt_ = now;
}

// The wait goes (and any call of Changed with it) before the key is closed:
// closing a watched key may signal its event.
void SupportLogSwitch::Unwatch()
{
    if (wait_) UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    wait_ = nullptr;
    pin_.reset();
    branch_ = RegistryKey();
}

void SupportLogSwitch::Forget()
{
    AcquireSRWLockExclusive(&lock_);
    Unwatch();
    changed_.reset();
    stale_ = true;
    ReleaseSRWLockExclusive(&lock_);
}

void SupportLog::Write(std::string_view decision) const
{
    if (path_.empty()) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const LogTime time{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    const std::string line = SupportLogLine(time, GetCurrentProcessId(), decision);
    if (SupportLogIsFull(FileBytes(path_), line.size())) {
        MoveFileExW(path_.c_str(), (path_ + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    // Every process appends at the end, whoever else has the file open.
    const HANDLE opened = CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    const UniqueKernelHandle file(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace zentaris
