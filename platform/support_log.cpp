#include "support_log.h"

#include <cstdio>

namespace zentaris {

std::string SupportLogLine(const LogTime& t, unsigned long processId, std::string_view text)
{
    char head[64];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d.%03d [%lu] ", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond, processId);
    std::string line(head);
    const bool cut = text.size() > SupportLogTextLimit;
    if (cut) text = text.substr(0, SupportLogTextLimit);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            line += c;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        line += escaped;
    }
    if (cut) line += "...";
    line += "\r\n";
    return line;
}

}  // namespace zentaris
