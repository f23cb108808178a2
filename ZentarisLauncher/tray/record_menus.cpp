// The application records behind the feature and game submenus, read from
// the registry at every showing of the menu.
#include <optional>
#include <string>

#include "application_record.h"
#include "installation.h"
#include "registry.h"
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

RecordFields ReadRecord(const RegistryKey& record)
{
    RecordFields fields;
    fields.webLink = ReadWholeText(record, zentaris::RecordWebLink);
    fields.appName = ReadBufferText(record, zentaris::RecordAppName);
    fields.app = ReadWholeText(record, zentaris::RecordApp);
    fields.appInBuffer = ReadBufferText(record, zentaris::RecordApp);
    fields.apath = ReadWholeText(record, zentaris::RecordAPath);
    fields.noLaunch = record.Has(zentaris::RecordNoLaunch);
    return fields;
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

}  // namespace

void ReadApplicationRecords(TrayCatalog& records, MenuIcons& icons)
{
    records.Clear();
    ForEachRecord([&](const RegistryKey& record, int i) {
        const RecordFields fields = ReadRecord(record);
        icons.ScanFeatureIcon(i, records.AddFeature(i, fields));
        icons.ScanGameIcon(i, records.AddGame(i, fields));
    });
}
