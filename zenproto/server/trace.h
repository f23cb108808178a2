// Trace lines for whoever watches the debugger output of the process that
// loaded the handler (under Wine: WINEDEBUG=+debugstr): what the class object
// and registration answered. A browser shows none of this, and the handler
// has no window of its own. (What a request decided goes to the support log,
// which users switch on: support_log_file.h.)
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
