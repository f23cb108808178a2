#include "path_rules.h"

#include "ascii.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// "COM" or "LPT" followed by one digit, as the platform reads it: 0-9, or
// the superscripts 1, 2 and 3 in the Windows-1252 bytes the fields travel in.
bool IsNumberedPort(std::string_view name)
{
    if (name.size() != 4) return false;
    if (!zentaris::StartsWithIgnoringAsciiCase(name, "com") && !zentaris::StartsWithIgnoringAsciiCase(name, "lpt"))
        return false;
    const unsigned char digit = static_cast<unsigned char>(name[3]);
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

bool IsDeviceName(std::string_view component)
{
    // The platform looks only at what comes before the first dot, without
    // trailing blanks.
    std::string_view name = component.substr(0, component.find('.'));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    if (IsNumberedPort(name)) return true;
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (zentaris::EqualsIgnoringAsciiCase(name, device)) return true;
    }
    return false;
}

}  // namespace

bool IsNamespacePath(std::string_view path)
{
    while (!path.empty() && (path.front() == ' ' || path.front() == '\t')) path.remove_prefix(1);
    if (path.size() < 4 || !IsSeparator(path[0]) || !IsSeparator(path[3])) return false;
    if (IsSeparator(path[1])) return path[2] == '?' || path[2] == '.';
    return path[1] == '?' && path[2] == '?';
}

bool HasDeviceNameComponent(std::string_view path)
{
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        if (IsDeviceName(path.substr(start, end - start))) return true;
        if (end == path.size()) return false;
        start = end + 1;
    }
}
