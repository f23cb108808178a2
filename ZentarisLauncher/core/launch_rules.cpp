#include "launch_rules.h"

#include "ascii.h"
#include "path_rules.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The platform drops trailing dots and spaces from a path component, and a
// component of only dots walks up the tree: neither can name what it says.
bool IsOrdinaryComponent(std::string_view component)
{
    if (component.empty()) return false;
    if (component.find_first_not_of(". ") == std::string_view::npos) return false;
    const char last = component.back();
    return last != '.' && last != ' ';
}

bool IsUnreserved(char c)
{
    return zentaris::IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

}  // namespace

bool IsSafeExecutableName(std::string_view exename)
{
    if (exename.empty() || IsSeparator(exename.front())) return false;
    for (const char c : exename) {
        if (zentaris::IsAsciiControl(c) || c == '"' || c == ':') return false;
        // Wildcards and redirections name no file; refusing them keeps the
        // path a plain one.
        if (c == '*' || c == '?' || c == '<' || c == '>' || c == '|') return false;
    }
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < exename.size() && !IsSeparator(exename[end])) ++end;
        if (!IsOrdinaryComponent(exename.substr(start, end - start))) return false;
        if (end == exename.size()) break;
        start = end + 1;
    }
    // "COM1.exe" opens the port, not a file in the folder.
    if (HasDeviceNameComponent(exename)) return false;
    return zentaris::EndsWithIgnoringAsciiCase(exename, ".exe");
}

bool IsSafeApprovalId(std::string_view approvalid)
{
    if (approvalid.empty()) return false;
    size_t start = 0;
    for (;;) {
        const size_t slash = approvalid.find('/', start);
        const std::string_view segment =
            approvalid.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        for (const char c : segment) {
            if (!IsUnreserved(c)) return false;
        }
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

bool LaunchFieldsAreSafe(const LaunchInfo& info)
{
    return info.exename && IsSafeExecutableName(*info.exename) && info.approvalid &&
           IsSafeApprovalId(*info.approvalid);
}

bool IsLocalInstallationFolder(std::string_view folder)
{
    if (folder.size() < 3) return false;
    if (!zentaris::IsAsciiAlpha(folder[0]) || folder[1] != ':' || folder[2] != '\\') return false;
    for (const char c : folder) {
        if (c == '"' || zentaris::IsAsciiControl(c)) return false;
    }
    return !HasDeviceNameComponent(folder);
}
