#include "game_location.h"

#include <cstring>

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

std::string InstallValueText(const char* data, size_t size)
{
    if (!data) return {};
    const void* nul = std::memchr(data, '\0', size);
    return std::string(data, nul ? static_cast<const char*>(nul) - data : size);
}

std::optional<LaunchTexts> BuildLaunchTexts(std::string_view directory, std::string_view exename)
{
    if (directory.empty()) return std::nullopt;
    LaunchTexts texts;
    texts.commandLine.reserve(directory.size() + exename.size() + 2);
    texts.commandLine += '"';
    texts.commandLine += directory;
    texts.commandLine += '\\';
    texts.commandLine += exename;
    texts.workingDirectory = std::string(directory);
    if (texts.commandLine.size() > LauncherTextMaxLength) return std::nullopt;
    if (texts.workingDirectory.size() > LauncherTextMaxLength) return std::nullopt;
    return texts;
}

std::string AppNotFoundText(std::string_view appname)
{
    std::string text = "Could not locate \"";
    text += appname;
    text += "\"\n are you sure it is installed?";
    if (text.size() > LauncherTextMaxLength) text.resize(LauncherTextMaxLength);
    return text;
}
