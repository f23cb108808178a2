// The feature and game submenus, built from the application records at
// every showing of the menu, so that they show the registry as it is when
// the icon is clicked.
#include <optional>
#include <string>
#include <utility>

#include "application_record.h"
#include "installation.h"
#include "registry_text.h"
#include "tray_catalog.h"
#include "tray_menu.h"
#include "unique_handle.h"

namespace {

// Web links, command lines and folders are read whole, whatever their size.
std::optional<std::string> ReadWholeText(HKEY record, const char* name)
{
    return ReadRegistryText(record, name, 0, TerminatorRule::MayBeMissing);
}

// Names, and the feature submenu's command line, go through the launcher's
// text buffer: a value stored with more bytes fails, so an "APPNAME" of 1023
// characters and its terminator is listed and one of 1024 is not. A value
// that fills the buffer without a terminator is all text.
std::optional<std::string> ReadBufferText(HKEY record, const char* name)
{
    return ReadRegistryText(record, name, zentaris::LauncherTextSize, TerminatorRule::MayBeMissing);
}

// Calls visit(branch, record name, index) for the branch's first records,
// stopping at the first enumeration failure.
template <typename Visit>
void ForEachRecord(Visit visit)
{
    zentaris::UniqueRegKey branch;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, zentaris::AppBranch, 0, KEY_READ, branch.put()) != ERROR_SUCCESS) return;
    for (int i = 0; i < CatalogCapacity; ++i) {
        char name[zentaris::LauncherTextSize];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(branch.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return;
        }
        visit(branch.get(), name, i);
    }
}

// A failure at any step keeps what the steps before it stored: a record
// without "APP" is listed without an icon, one without "APPNAME" is not
// listed but its link stays behind its unused id.
void AddFeatureEntry(HMENU menu, HKEY branch, const char* name, int i)
{
    zentaris::UniqueRegKey record;
    if (RegOpenKeyExA(branch, name, 0, KEY_READ, record.put()) != ERROR_SUCCESS) return;
    std::optional<std::string> link = ReadWholeText(record.get(), zentaris::RecordWebLink);
    if (!link) return;
    trayCatalog.SetFeatureLink(i, std::move(*link));
    std::optional<std::string> appName = ReadBufferText(record.get(), zentaris::RecordAppName);
    if (!appName) return;
    AppendMenuA(menu, MF_OWNERDRAW, IDM_FEATURE_FIRST + i, trayCatalog.SetFeatureName(i, std::move(*appName)));
    const std::optional<std::string> app = ReadBufferText(record.get(), zentaris::RecordApp);
    if (!app) return;
    trayCatalog.ScanFeatureIcon(i, ApplicationExecutablePath(*app));
}

void AddGameEntry(HMENU menu, HKEY branch, const char* name, int i)
{
    zentaris::UniqueRegKey record;
    if (RegOpenKeyExA(branch, name, 0, KEY_READ, record.put()) != ERROR_SUCCESS) return;
    if (HasRegistryValue(record.get(), zentaris::RecordNoLaunch)) return;
    std::optional<std::string> app = ReadWholeText(record.get(), zentaris::RecordApp);
    if (!app) return;
    const char* command = trayCatalog.SetGameCommand(i, std::move(*app));
    std::optional<std::string> apath = ReadWholeText(record.get(), zentaris::RecordAPath);
    if (!apath) return;
    trayCatalog.SetGameDir(i, std::move(*apath));
    std::optional<std::string> appName = ReadBufferText(record.get(), zentaris::RecordAppName);
    if (!appName) return;
    AppendMenuA(menu, MF_OWNERDRAW, IDM_GAME_FIRST + i, trayCatalog.SetGameName(i, std::move(*appName)));
    trayCatalog.ScanGameIcon(i, ApplicationExecutablePath(command));
}

}  // namespace

HMENU BuildFeatureMenu()
{
    trayCatalog.ClearFeatures();
    HMENU menu = CreatePopupMenu();
    ForEachRecord([menu](HKEY branch, const char* name, int i) { AddFeatureEntry(menu, branch, name, i); });
    return menu;
}

HMENU BuildGameMenu()
{
    HMENU menu = CreatePopupMenu();
    trayCatalog.ClearGames();
    ForEachRecord([menu](HKEY branch, const char* name, int i) { AddGameEntry(menu, branch, name, i); });
    return menu;
}
