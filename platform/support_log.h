// The support log's lines and its size rule: what a user can send when a
// game does not start. Portable; the file itself is support_log_file.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zentaris {

// A log file holds at most this many bytes: a line that would pass it moves
// the file aside (to "<name>.1", replacing the one there) first.
inline constexpr uint64_t SupportLogCapBytes = 256 * 1024;

// Longest decision text one line keeps.
inline constexpr size_t SupportLogTextLimit = 2000;

struct LogTime {
    int year, month, day, hour, minute, second, millisecond;
};

// "2024-05-01 12:00:00.123 [4242] text" and a CRLF. Much of a text comes
// from a web page (a link's fields), so no byte of it may start a line of its
// own or hide: bytes below 0x20 and 0x7F are written as \xNN, and a text
// longer than the limit is cut and marked "...".
std::string SupportLogLine(const LogTime& time, unsigned long processId, std::string_view text);

// Whether a file of `fileBytes` must be moved aside before a line of
// `lineBytes` is added to it.
inline bool SupportLogIsFull(uint64_t fileBytes, size_t lineBytes)
{
    return fileBytes + lineBytes > SupportLogCapBytes;
}

}  // namespace zentaris
