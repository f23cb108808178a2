// Trace lines for whoever watches the debugger output of the process that
// loaded the handler (under Wine: WINEDEBUG=+debugstr): what Start was asked,
// each failure it reported, what the class object and registration answered.
// A browser shows none of this, and the handler has no window of its own.
//
// Only builds with ZEN_TRACE_ENABLED (Debug builds, or the ZEN_TRACE option)
// write them; elsewhere ZEN_TRACE_LINE and its arguments compile to nothing,
// so a release build holds neither the code nor the texts.
#pragma once

#ifdef ZEN_TRACE_ENABLED

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace zenproto {

// Wide text as printable ASCII: a URL is composed by any web page, so
// anything else (controls, non-ASCII) is written as \uXXXX, and a long text
// is cut.
inline std::string TraceText(const wchar_t* text)
{
    if (!text) return "(null)";
    constexpr size_t kMaxUnits = 300;
    std::string out;
    size_t i = 0;
    for (; text[i] && i < kMaxUnits; ++i) {
        const wchar_t c = text[i];
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c) & 0xFFFFu);
        out += escaped;
    }
    if (text[i]) out += "...";
    return out;
}

// One line, "zenproto: " and the formatted text.
inline void TraceLine(const char* format, ...)
{
    char line[512] = "zenproto: ";
    const size_t start = std::char_traits<char>::length(line);
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + start, sizeof line - start - 1, format, args);
    va_end(args);
    const size_t length = std::char_traits<char>::length(line);
    line[length] = '\n';
    line[length + 1] = '\0';
    OutputDebugStringA(line);
}

}  // namespace zenproto

#define ZEN_TRACE_LINE(...) ::zenproto::TraceLine(__VA_ARGS__)

#else

#define ZEN_TRACE_LINE(...) ((void)0)

#endif
