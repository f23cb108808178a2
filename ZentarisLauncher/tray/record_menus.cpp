// The feature and game submenus, built from the application records at
// every showing of the menu, so that they show the registry as it is when
// the icon is clicked.
#include <optional>
#include <string>

#include "application_record.h"
#include "installation.h"
#include "registry.h"
#include "tray_catalog.h"
#include "tray_menu.h"

namespace {

using zentaris::RegistryKey;

// Web links, command lines and folders are read whole, whatever their size.
std::optional<std::string> ReadWholeText(const RegistryKey& record, const char* name)
{
    return record.Text(name, 0, zentaris::TerminatorRule::MayBeMissing);
}

// Names, and the feature submenu's command line, go through the launcher's
// text buffer: a value stored with more bytes fails, so an "APPNAME" of 1023
// characters and its terminator is listed and one of 1024 is not. A value
// that fills the buffer without a terminator is all text.
std::optional<std::string> ReadBufferText(const RegistryKey& record, const char* name)
{
    return record.Text(name, zentaris::LauncherTextSize, zentaris::TerminatorRule::MayBeMissing);
}

// Calls visit(record, index) for the branch's first records, stopping at the
// first enumeration failure; a record that cannot be opened is passed over.
template <typename Visit>
void ForEachRecord(Visit visit)
{
    const RegistryKey branch = RegistryKey::Open(HKEY_CURRENT_USER, zentaris::AppBranch);
    for (int i = 0; i < CatalogCapacity; ++i) {
        const std::optional<std::string> name = branch.SubkeyName(i, zentaris::LauncherTextMaxLength);
        if (!name) return;
        if (const RegistryKey record = branch.OpenSubkey(name->c_str())) visit(record, i);
    }
}

// A failure at any step keeps what the steps before it stored: a record
// without "APP" is listed without an icon, one without "APPNAME" is not
// listed but its link stays behind its unused id.
void AddFeatureEntry(HMENU menu, const RegistryKey& record, int i)
{
    if (!trayCatalog.SetFeatureLink(i, ReadWholeText(record, zentaris::RecordWebLink))) return;
    const char* name = trayCatalog.SetFeatureName(i, ReadBufferText(record, zentaris::RecordAppName));
    if (!name) return;
    AppendMenuA(menu, MF_OWNERDRAW, IDM_FEATURE_FIRST + i, name);
    const std::optional<std::string> app = ReadBufferText(record, zentaris::RecordApp);
    if (app) trayCatalog.ScanFeatureIcon(i, ApplicationExecutablePath(*app));
}

void AddGameEntry(HMENU menu, const RegistryKey& record, int i)
{
    if (record.Has(zentaris::RecordNoLaunch)) return;
    const char* command = trayCatalog.SetGameCommand(i, ReadWholeText(record, zentaris::RecordApp));
    if (!command || !trayCatalog.SetGameDir(i, ReadWholeText(record, zentaris::RecordAPath))) return;
    const char* name = trayCatalog.SetGameName(i, ReadBufferText(record, zentaris::RecordAppName));
    if (!name) return;
    AppendMenuA(menu, MF_OWNERDRAW, IDM_GAME_FIRST + i, name);
    trayCatalog.ScanGameIcon(i, ApplicationExecutablePath(command));
}

}  // namespace

HMENU BuildFeatureMenu()
{
    trayCatalog.ClearFeatures();
    HMENU menu = CreatePopupMenu();
    ForEachRecord([menu](const RegistryKey& record, int i) { AddFeatureEntry(menu, record, i); });
    return menu;
}

HMENU BuildGameMenu()
{
    HMENU menu = CreatePopupMenu();
    trayCatalog.ClearGames();
    ForEachRecord([menu](const RegistryKey& record, int i) { AddGameEntry(menu, record, i); });
    return menu;
}
