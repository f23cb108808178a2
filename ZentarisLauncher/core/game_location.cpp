#include "game_location.h"

#include <vector>

#include "ascii.h"

#include "application_record.h"

using zentaris::LauncherTextMaxLength;

InstallKey SplitInstallKey(std::string_view installkey)
{
    const size_t start = installkey.find_first_not_of('\\');
    if (start == std::string_view::npos) return {};
    installkey.remove_prefix(start);

    const size_t separator = installkey.find('\\');
    const std::string_view abbreviation = installkey.substr(0, separator);
    InstallKey key;
    if (abbreviation == "HKCR") key.root = InstallRoot::ClassesRoot;
    else if (abbreviation == "HKCU") key.root = InstallRoot::CurrentUser;
    else if (abbreviation == "HKLM") key.root = InstallRoot::LocalMachine;
    else return {};
    if (separator != std::string_view::npos) key.subkey = std::string(installkey.substr(separator + 1));
    return key;
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The platform's own branches below SOFTWARE: their values describe the
// user's folders, file types and settings, not a vendor's installation.
bool IsPlatformBranch(std::string_view component)
{
    for (const char* branch : {"Microsoft", "Classes", "Policies"}) {
        if (zentaris::EqualsIgnoringAsciiCase(component, branch)) return true;
    }
    return false;
}

}  // namespace

bool IsVendorInstallationKey(const InstallKey& key)
{
    if (key.root != InstallRoot::CurrentUser && key.root != InstallRoot::LocalMachine) return false;
    std::vector<std::string_view> components;
    std::string_view rest = key.subkey;
    for (;;) {
        const size_t separator = rest.find('\\');
        components.push_back(rest.substr(0, separator));
        if (components.back().empty()) return false;
        if (separator == std::string_view::npos) break;
        rest.remove_prefix(separator + 1);
    }
    if (!zentaris::EqualsIgnoringAsciiCase(components[0], "SOFTWARE")) return false;
    size_t vendor = 1;
    if (components.size() > vendor && zentaris::EqualsIgnoringAsciiCase(components[vendor], "WOW6432Node")) ++vendor;
    return components.size() > vendor && !IsPlatformBranch(components[vendor]);
}

bool IsSameOrBelowFolder(std::string_view folder, std::string_view place)
{
    while (!place.empty() && IsSeparator(place.back())) place.remove_suffix(1);
    if (place.empty() || folder.size() < place.size()) return false;
    for (size_t i = 0; i < place.size(); ++i) {
        const char a = folder[i];
        const char b = place[i];
        if (IsSeparator(a) && IsSeparator(b)) continue;
        if (zentaris::AsciiLower(a) != zentaris::AsciiLower(b)) return false;
    }
    return folder.size() == place.size() || IsSeparator(folder[place.size()]);
}

std::optional<GamePath> RecordableGamePath(std::string_view folder, std::string_view exename)
{
    if (folder.empty()) return std::nullopt;
    GamePath game{std::string(folder), std::string(exename)};
    // "APP" is the longer text: a quotation mark before the program.
    if (ProgramPath(game).size() + 1 > LauncherTextMaxLength) return std::nullopt;
    return game;
}

std::string ProgramPath(const GamePath& game)
{
    return game.folder + '\\' + game.exename;
}

GameCommand LocatedGameCommand(const GamePath& game)
{
    const std::string program = ProgramPath(game);
    return {program, '"' + program, game.folder};
}

std::string AppNotFoundText(std::string_view appname)
{
    std::string text = "Could not locate \"";
    text += appname;
    text += "\"\n are you sure it is installed?";
    if (text.size() > LauncherTextMaxLength) text.resize(LauncherTextMaxLength);
    return text;
}
