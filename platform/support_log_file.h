// One program's support log file, in the user's local application data.
// Off unless the user switched it on. Win32 only; the lines and the size rule
// are support_log.h.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>

#include "registry.h"
#include "unique_handle.h"

namespace zentaris {

class SupportLogSwitch;

class SupportLog {
public:
    SupportLog() = default;  // off: Write does nothing

    // `fileName` in LogFolder, on when `switchedOn` or when the branch's
    // LogValue is a DWORD other than 0. Off when the folder cannot be made.
    static SupportLog Open(const wchar_t* fileName, bool switchedOn);
    // `fileName` in LogFolder, on when `branch` says so.
    static SupportLog Open(const wchar_t* fileName, SupportLogSwitch& branch);

    explicit operator bool() const { return !path_.empty(); }

    // Appends one line, first moving a full file aside. A log that cannot be
    // written changes nothing the program does, so nothing is reported.
    void Write(std::string_view decision) const;

private:
    explicit SupportLog(std::wstring path) : path_(std::move(path)) {}
    std::wstring path_;
};

// The branch's LogValue for a program that opens its log at every request
// for as long as it runs (the handler, in a browser that runs for days): the
// value is read again only when the branch's values changed (a wait of the
// thread pool notes it), or a minute after the last read (a branch made anew
// after the first read, say). A request in between reads a flag and asks the
// system nothing. Any thread.
class SupportLogSwitch {
public:
    SupportLogSwitch() = default;
    SupportLogSwitch(const SupportLogSwitch&) = delete;
    SupportLogSwitch& operator=(const SupportLogSwitch&) = delete;

    bool On();
    // Ends the watch and closes the key and its event; the next call reads
    // anew.
    void Forget();

private:
    static void CALLBACK Changed(void* self, BOOLEAN);
    void Read(ULONGLONG now);
    void Unwatch();

    SRWLOCK lock_ = SRWLOCK_INIT;
    RegistryKey branch_;
    UniqueKernelHandle changed_;
    HANDLE wait_ = nullptr;             // the thread pool's wait on changed_
    UniqueModule pin_;                  // this code's module, held while wait_ is
    std::atomic<bool> stale_{true};     // no read yet, or the branch changed since
    bool on_ = false;
    ULONGLONG readAt_ = 0;
};

}  // namespace zentaris
