// The application records behind the feature and game submenus, read from
// the registry at every showing of the menu.
#include <optional>
#include <string>

#include "application_record.h"
#include "installation.h"
#include "registry_text.h"
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

RecordFields ReadRecord(HKEY record)
{
    RecordFields fields;
    fields.webLink = ReadWholeText(record, zentaris::RecordWebLink);
    fields.appName = ReadBufferText(record, zentaris::RecordAppName);
    fields.app = ReadWholeText(record, zentaris::RecordApp);
    fields.appInBuffer = ReadBufferText(record, zentaris::RecordApp);
    fields.apath = ReadWholeText(record, zentaris::RecordAPath);
    fields.noLaunch = HasRegistryValue(record, zentaris::RecordNoLaunch);
    return fields;
}

// Calls visit(record, index) for the branch's first records, stopping at the
// first enumeration failure; a record that cannot be opened is passed over.
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
        zentaris::UniqueRegKey record;
        if (RegOpenKeyExA(branch.get(), name, 0, KEY_READ, record.put()) == ERROR_SUCCESS) visit(record.get(), i);
    }
}

}  // namespace

void ReadApplicationRecords(TrayCatalog& records, MenuIcons& icons)
{
    records.Clear();
    ForEachRecord([&](HKEY record, int i) {
        const RecordFields fields = ReadRecord(record);
        icons.ScanFeatureIcon(i, records.AddFeature(i, fields));
        icons.ScanGameIcon(i, records.AddGame(i, fields));
    });
}
