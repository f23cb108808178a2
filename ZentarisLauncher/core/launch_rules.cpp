#include "launch_rules.h"

#include <string>

#include "ascii.h"
#include "game_location.h"
#include "launch_command.h"
#include "link_signature.h"
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

namespace {

LaunchFailure Refused(std::string reason)
{
    return {LaunchError::InvalidLink, std::move(reason)};
}

}  // namespace

Step<CheckedLink> CheckLaunchLink(const LaunchInfo& info, const zentaris::LinkSigningKeyList& keys)
{
    // Fields fill in order: without the approval id, the start's fields are
    // there but nothing can be approved.
    if (!HasAllLaunchFields(info)) return Refused("the payload has fewer than six fields");
    if (!IsSafeExecutableName(*info.exename)) {
        return Refused("exename [" + *info.exename + "] is not a plain .exe inside the game's folder");
    }
    if (!IsSafeApprovalId(*info.approvalid)) {
        return Refused("approvalid [" + *info.approvalid + "] is not path segments of unreserved characters");
    }
    // A link from a portal whose keys this launcher carries must be signed by
    // one of them; a launcher built without keys takes any link.
    if (keys.count != 0 && !HasValidLinkSignature(info, keys.keys, keys.count)) {
        return Refused(info.signature ? "the signature verifies with none of the " + std::to_string(keys.count) +
                                            " portal keys"
                                      : "the link is not signed");
    }
    // A launcher that takes unsigned links cannot tell the portal's links
    // from a page's own: it reads the game's folder only from a vendor's
    // installation key, never from values the platform keeps about the
    // user's folders.
    if (keys.count == 0 && !IsVendorInstallationKey(SplitInstallKey(*info.installkey))) {
        return Refused("installkey [" + *info.installkey + "] is not a vendor's installation key");
    }
    return CheckedLink{{*info.appname, *info.installkey, *info.installvalue, *info.exename, *info.weblink,
                        *info.approvalid},
                       keys.count != 0};
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
