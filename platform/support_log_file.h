// One program's support log file, in the user's local application data.
// Off unless the user switched it on. Win32 only; the lines and the size rule
// are support_log.h.
#pragma once

#include <string>
#include <string_view>

namespace zentaris {

class SupportLog {
public:
    SupportLog() = default;  // off: Write does nothing

    // `fileName` in LogFolder, on when `switchedOn` or when the branch's
    // LogValue is a DWORD other than 0. Off when the folder cannot be made.
    static SupportLog Open(const wchar_t* fileName, bool switchedOn);

    explicit operator bool() const { return !path_.empty(); }

    // Appends one line, first moving a full file aside. A log that cannot be
    // written changes nothing the program does, so nothing is reported.
    void Write(std::string_view decision) const;

private:
    explicit SupportLog(std::wstring path) : path_(std::move(path)) {}
    std::wstring path_;
};

}  // namespace zentaris
