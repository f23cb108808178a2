// Game start: registered start from the application record, first launch
// that writes the record, and the fallback start.
#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "application_record.h"
#include "application_registry.h"
#include "game_location.h"
#include "game_process.h"
#include "launch_command.h"
#include "launch_rules.h"
#include "launcher.h"
#include "messages.h"
#include "page_fillable_folders.h"
#include "registry_text.h"
#include "unique_handle.h"

namespace {

using zentaris::LauncherTextSize;

HKEY RootKeyOf(InstallRoot root)
{
    switch (root) {
    case InstallRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case InstallRoot::CurrentUser: return HKEY_CURRENT_USER;
    case InstallRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case InstallRoot::Invalid: break;
    }
    return nullptr;
}

// The registry views to search for a game's installation record, this
// program's own first. The user's own branch is one for both kinds.
std::vector<REGSAM> InstallationViews(InstallRoot root)
{
#ifdef _WIN64
    constexpr REGSAM OtherView = KEY_WOW64_32KEY;
#else
    constexpr REGSAM OtherView = KEY_WOW64_64KEY;
#endif
    if (root == InstallRoot::CurrentUser) return {0};
    return {0, OtherView};
}

bool CopyWhole(const std::string& text, char* buffer, size_t size)
{
    if (text.size() >= size) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// The registered start: false when the record lacks a usable "APP" or
// "APATH", and the fallback start has to do the work.
bool StartRegisteredApplication(HKEY record)
{
    char commandLine[LauncherTextSize] = {};
    char workingDirectory[LauncherTextSize] = {};
    if (!ReadRecordText(record, zentaris::RecordApp, commandLine, sizeof commandLine)) return false;
    if (!ReadRecordText(record, zentaris::RecordAPath, workingDirectory, sizeof workingDirectory)) {
        return false;
    }
    StartGameProcess(commandLine, workingDirectory);
    return true;
}

}  // namespace

void LocateApplication(char* commandLine, size_t commandLineSize, char* workingDirectory,
                       size_t workingDirectorySize, const LaunchInfo* info)
{
    std::memset(commandLine, 0, commandLineSize);
    std::memset(workingDirectory, 0, workingDirectorySize);
    if (!HasAllLaunchFields(*info)) return;

    const InstallKey key = SplitInstallKey(*info->installkey);
    const HKEY root = RootKeyOf(key.root);
    if (!root) ShowFatalLauncherMessage("Launchinfo invalid", "invalid data");

    // A game's installer writes its record to the registry view of its own
    // kind, which a program of the other kind does not see by default: look
    // in this program's view first, then in the other one.
    bool keyFound = false;
    std::optional<std::string> directory;
    for (const REGSAM view : InstallationViews(key.root)) {
        zentaris::UniqueRegKey installation;
        if (RegOpenKeyExA(root, key.subkey.c_str(), 0, KEY_READ | view, installation.put()) != ERROR_SUCCESS) {
            continue;
        }
        keyFound = true;
        directory =
            ReadRegistryText(installation.get(), info->installvalue->c_str(), 0, TerminatorRule::MayBeMissing);
        if (directory) break;
    }
    if (!keyFound) ShowFatalLauncherMessage(AppNotFoundText(*info->appname).c_str(), "App not found");
    if (!directory) return;
    // Whatever value the link names is read; only a folder on a local drive
    // is a place to start a game from.
    if (!IsLocalInstallationFolder(*directory)) return;
    // A value can name a folder that any page fills (the downloads, the
    // desktop, a cache): a program lying there is no installed game.
    if (IsInPageFillableFolder(*directory)) return;
    const std::optional<LaunchTexts> texts = BuildLaunchTexts(*directory, *info->exename);
    if (!texts) return;
    if (texts->commandLine.size() >= commandLineSize) return;
    if (texts->workingDirectory.size() >= workingDirectorySize) return;
    CopyWhole(texts->commandLine, commandLine, commandLineSize);
    CopyWhole(texts->workingDirectory, workingDirectory, workingDirectorySize);
}

namespace {

// Locates the game; tells the user when the installation record gives
// nothing to start. False then.
bool LocateOrTellUser(const LaunchInfo* info, char (&commandLine)[LauncherTextSize],
                      char (&workingDirectory)[LauncherTextSize])
{
    LocateApplication(commandLine, sizeof commandLine, workingDirectory, sizeof workingDirectory, info);
    if (commandLine[0]) return true;
    ShowLauncherMessage("Registry key for launch not found", "Error");
    return false;
}

}  // namespace

void StartLocatedApplication(const LaunchInfo* info)
{
    char commandLine[LauncherTextSize];
    char workingDirectory[LauncherTextSize];
    if (LocateOrTellUser(info, commandLine, workingDirectory)) StartGameProcess(commandLine, workingDirectory);
}

void StartApplication(const LaunchInfo* info)
{
    if (!HasAllLaunchFields(*info)) return;
    const char* appname = info->appname->c_str();

    zentaris::UniqueRegKey record;
    if (OpenApplicationRecord(appname, record)) {
        if (!StartRegisteredApplication(record.get())) StartLocatedApplication(info);
        return;
    }

    // First launch: make the record, then fill it from what locating finds.
    if (!ApplicationBranchIsWritable() || !CreateApplicationRecord(appname, record)) {
        StartLocatedApplication(info);
        return;
    }
    char commandLine[LauncherTextSize];
    char workingDirectory[LauncherTextSize];
    // When nothing is found the key stays, empty; later launches take the
    // fallback start.
    if (!LocateOrTellUser(info, commandLine, workingDirectory)) return;
    WriteRecordText(record.get(), zentaris::RecordAppName, appname);
    WriteRecordText(record.get(), zentaris::RecordApp, commandLine);
    WriteRecordText(record.get(), zentaris::RecordAPath, workingDirectory);
    // The tray opens this link with the shell: only a web page is kept.
    const char* weblink = IsOpenableWebLink(*info->weblink) ? info->weblink->c_str() : "";
    WriteRecordText(record.get(), zentaris::RecordWebLink, weblink);
    StartGameProcess(commandLine, workingDirectory);
}
