#include "application_record.h"

#include "ascii.h"
#include "installation.h"

std::string ApplicationRecordPath(std::string_view appname)
{
    std::string path(zentaris::AppBranch);
    path += '\\';
    path += appname;
    return path;
}

std::string ApplicationExecutablePath(std::string_view app)
{
    if (app.size() < 2) return {};
    app.remove_prefix(1);
    return std::string(app.substr(0, app.find('"')));
}

GameCommand RecordedGameCommand(std::string_view app, std::string_view apath)
{
    const bool quoted = !app.empty() && app.front() == '"';
    return {quoted ? ApplicationExecutablePath(app) : std::string(), std::string(app), std::string(apath)};
}

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

using zentaris::IsAsciiControl;
using zentaris::StartsWithIgnoringAsciiCase;

// The first character of an authority that names a host; an empty host, a
// port or user part alone, or a path does not.
bool IsHostStart(char c)
{
    return !IsAsciiControl(c) && c != ' ' && c != '"' && c != '/' && c != '\\' && c != '?' && c != '#' && c != '@' &&
           c != ':';
}

}  // namespace

bool IsNetworkPath(std::string_view path)
{
    while (!path.empty() && (path.front() == ' ' || path.front() == '\t')) path.remove_prefix(1);
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
    // "\??\UNC\host\share" reaches the network without two leading slashes.
    return path.size() >= 8 && IsSeparator(path[0]) && path[1] == '?' && path[2] == '?' && IsSeparator(path[3]) &&
           StartsWithIgnoringAsciiCase(path.substr(4), "unc") && IsSeparator(path[7]);
}

bool IsOpenableWebLink(std::string_view link)
{
    std::string_view rest;
    if (StartsWithIgnoringAsciiCase(link, "http://")) {
        rest = link.substr(7);
    } else if (StartsWithIgnoringAsciiCase(link, "https://")) {
        rest = link.substr(8);
    } else {
        return false;
    }
    if (rest.empty() || !IsHostStart(rest.front())) return false;
    // Printable ASCII but the quotation mark: no space, control or high byte.
    for (char c : link) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '"') return false;
    }
    return true;
}
